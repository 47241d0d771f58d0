#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace veilcraft::registry {

class RegistryTree;

// A persistent stand-in for the registry's classes root: keys named by
// "\"-separated paths, compared without regard to case (the case a key or
// value was created with is kept), each with an optional default value,
// named string values and subkeys.
//
// The whole store is one text file. Every change locks a lock file beside it
// (flock), reads the current file, applies the change and replaces the file
// with a synced temporary file, so separate processes never lose each
// other's changes and a crash never leaves half a store. Reads take the
// file as it is, so they see other processes' changes at once; a damaged
// file yields whatever records are intact.
//
// One object may be used from several threads.
class RegistryStore {
public:
    // The changes of one locked read-modify-write; reads see the changes
    // made before them in the same transaction.
    class Transaction {
    public:
        bool createKey(const std::string& key);
        // An empty name sets the key's default value. Missing keys are created.
        bool setValue(const std::string& key, const std::string& name, const std::string& value);
        bool deleteKey(const std::string& key);
        bool deleteValue(const std::string& key, const std::string& name);
        [[nodiscard]] std::optional<std::string> value(const std::string& key, const std::string& name = {}) const;
        [[nodiscard]] bool keyExists(const std::string& key) const;
        [[nodiscard]] std::vector<std::string> subKeys(const std::string& key) const;

    private:
        friend class RegistryStore;
        explicit Transaction(RegistryTree& tree) : tree_(tree) {}
        RegistryTree& tree_;
        bool changed_ = false;
    };

    explicit RegistryStore(std::string path);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // $VEILCRAFT_REGISTRY when set, else $XDG_DATA_HOME/veilcraft/registry
    // ($XDG_DATA_HOME defaulting to $HOME/.local/share).
    [[nodiscard]] static std::string defaultPath();

    // Each returns false when the key or value does not exist (deleteKey,
    // deleteValue) or the store could not be written (see lastError()).
    bool createKey(const std::string& key);
    bool setValue(const std::string& key, const std::string& name, const std::string& value);
    // Deletes the key with all its subkeys. The root ("") cannot be deleted.
    bool deleteKey(const std::string& key);
    bool deleteValue(const std::string& key, const std::string& name);

    [[nodiscard]] std::optional<std::string> value(const std::string& key, const std::string& name = {}) const;
    [[nodiscard]] bool keyExists(const std::string& key) const;
    // Names of the direct subkeys, in case-insensitive order.
    [[nodiscard]] std::vector<std::string> subKeys(const std::string& key) const;

    // Runs `change` on the current content under the store's lock and writes
    // the result (only when it changed something). False when the store
    // could not be locked, read or written; nothing is then changed. An
    // exception from `change` leaves the store as it was and propagates.
    bool update(const std::function<void(Transaction&)>& change);

    // Writes the content again unchanged, to find out whether the store can
    // be written at all: nothing when it can, else a sentence for the user
    // ("The registry store could not be written: ..."). A registration that
    // failed inside a control library says only that it failed; this says why.
    [[nodiscard]] std::optional<std::string> writeProblem();

    [[nodiscard]] const std::string& path() const { return path_; }
    // Why the last update failed.
    [[nodiscard]] std::string lastError() const;

private:
    // The current content. The file is read every time (it is small), but
    // parsed only when it differs from the last read: time stamps are too
    // coarse to tell two quick writes of the same size apart.
    std::shared_ptr<const RegistryTree> snapshot() const;
    bool fail(std::string message);

    std::string path_;
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const RegistryTree> cache_;
    mutable std::string cacheContent_;
    std::string lastError_;
};

}  // namespace veilcraft::registry

#include "Cli.h"
#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "Commands.h"
#include "RegistryStore.h"

#include <cstdio>
#include <iostream>

namespace veilcraft::cli {

namespace {

std::string hex(component::HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

int runRegsvr(CommandContext& context)
{
    using namespace component;
    const CommandLine line(context.arguments, {"--unregister"}, {});
    if (line.positional().size() != 1)
        throw UsageError("expected the path of one control library");
    const bool unregister = line.has("--unregister");
    const std::string& path = line.positional().front();
    const char* entryPoint = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const std::string action = unregister ? "unregistered" : "registered";

    HRESULT hr = S_OK;
    try {
        const auto library = ComponentLibrary::load(path);
        hr = unregister ? library->unregisterServer() : library->registerServer();
    } catch (const ComponentError& error) {
        context.err << "veilcraft regsvr: " << error.what() << ".\n";
        return kExitFailure;
    }

    const std::string prefix = std::string(entryPoint) + " in " + path;
    if (hr == S_OK) {
        context.err << prefix << " succeeded.\n";
        return kExitSuccess;
    }
    if (hr == SELFREG_E_TYPELIB)
        context.err << prefix << " failed: the type library could not be " << action << " (" << hex(hr) << ").\n";
    else if (hr == SELFREG_E_CLASS)
        context.err << prefix << " failed: the classes could not be " << action << " (" << hex(hr) << ").\n";
    else if (failed(hr))
        context.err << prefix << " failed: " << describeStatus(hr) << " (" << hex(hr) << ").\n";
    else
        // A success code other than S_OK (S_FALSE) still means it worked.
        context.err << prefix << " succeeded (" << describeStatus(hr) << ").\n";
    if (failed(hr)) {
        registry::RegistryStore store(registry::RegistryStore::defaultPath());
        if (const std::optional<std::string> problem = store.writeProblem())
            context.err << *problem << '\n';
    }
    return succeeded(hr) ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli

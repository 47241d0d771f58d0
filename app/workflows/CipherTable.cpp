#include "CipherTable.h"

#include <stdexcept>

namespace veilcraft {

int passwordLimitFor(int position)
{
    return position == 0 ? 56 : 128;
}

int CipherTable::registerCipher(CipherEngine& engine, const std::string& name, const std::string& description)
{
    records_.push_back({name, &engine, description});
    return static_cast<int>(records_.size()) - 1;
}

int CipherTable::positionOf(const std::string& name) const
{
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].name == name)
            return static_cast<int>(i);
    return -1;
}

bool CipherTable::select(int position)
{
    if (position < 0 || position >= static_cast<int>(records_.size()))
        return false;
    selected_ = position;
    if (onSelected)
        onSelected(position);
    return true;
}

CipherEngine& CipherTable::currentCipher() const
{
    // The data of the list's second item: position 1.
    if (records_.size() < 2)
        throw std::logic_error("the cipher list needs both engines registered");
    return *records_[1].engine;
}

int CipherTable::passwordLimit() const
{
    return passwordLimitFor(selected_);
}

std::string CipherTable::passwordHint() const
{
    return "Password (1 to " + std::to_string(passwordLimit()) + " bit key)";
}

}  // namespace veilcraft

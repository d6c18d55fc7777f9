#include "engine/DefaultFolders.h"

#include "platform/Components.h"

namespace ze6::modDAZadaro {

namespace {

constexpr const char* kProductKey = "RZ6";

template <typename Read> std::string ReadProductSetting(Read read)
{
    try {
        const auto settings = GetComponents().CreateProductSettings();
        settings->SetProductKey(kProductKey);
        settings->Load();
        return read(*settings);
    } catch (...) {
        // Without the product's settings the dialogs simply start at their own default.
        return {};
    }
}

} // namespace

std::string GetDefaultConfigFolder()
{
    return ReadProductSetting([](const ProductSettings& settings) { return settings.ConfigFolder(); });
}

std::string GetDefaultSourceFolder()
{
    return ReadProductSetting([](const ProductSettings& settings) { return settings.DataFolder(); });
}

} // namespace ze6::modDAZadaro

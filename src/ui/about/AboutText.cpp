#include "ui/about/AboutText.h"

namespace ze6::AboutText {

std::string VersionText(int major, int minor, int revision)
{
    return std::to_string(major) + "." + std::to_string(minor) + " Build " + std::to_string(revision);
}

std::string CompanyInfoText()
{
    return std::string(kMakerName) + " \r\n" + kPostalBox + "\r\n" + kTownAndProvince + "\r\n" + kCountryAndPostalCode +
           "\r\nTel: " + kTelephone + "\r\nFax: " + kFax;
}

std::string MailLink(const std::string& address, const std::string& applicationTitle)
{
    return "mailto:" + address + "?Subject=" + applicationTitle + "&Body=";
}

} // namespace ze6::AboutText

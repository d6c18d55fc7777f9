#pragma once

#include <string>

// What the About box says, as plain text so it can be checked without a window.
namespace ze6::AboutText {

// The maker's details. The maker is a placeholder until the real one is known:
// reserved example domains and fictional 555 numbers, so nothing here reaches
// a real company.
inline constexpr const char* kMakerName = "Example Software Workshop";
inline constexpr const char* kPostalBox = "P.O. Box 5550";
inline constexpr const char* kTownAndProvince = "Anytown, Example Province";
inline constexpr const char* kCountryAndPostalCode = "Exampleland 00555";
inline constexpr const char* kTelephone = "+1 555 555 0100";
inline constexpr const char* kFax = "+1 555 555 0199";
inline constexpr const char* kWebAddress = "https://www.example.com/";
inline constexpr const char* kMailAddress = "support@example.com";

// "6.1 Build 400": plain decimal numbers, no leading zeros.
std::string VersionText(int major, int minor, int revision);

// The six lines of the maker's details joined by CR LF, no break after the
// last; the name is followed by one blank.
std::string CompanyInfoText();

// A mail link whose subject is the application title and whose body is
// empty. Nothing is encoded: mail programs take the blank in the title as it is.
std::string MailLink(const std::string& address, const std::string& applicationTitle);

} // namespace ze6::AboutText

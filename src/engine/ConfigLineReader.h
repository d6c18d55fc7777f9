#pragma once

#include <istream>
#include <string>

namespace ze6::modDAZadaro {

// Reads configuration-file lines as bytes: CR LF, a lone CR and a lone LF each
// end a line, so files from any editor run every job; the last line may lack
// its end.
class ConfigLineReader {
public:
    explicit ConfigLineReader(std::istream& input) : m_input(input) {}
    bool Next(std::string& line); // false at the end of the input; raises RuntimeError on a read error

private:
    std::istream& m_input;
};

} // namespace ze6::modDAZadaro

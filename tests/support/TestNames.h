#pragma once

#include <cctype>
#include <string>
#include <string_view>

/// A parameterised test's name from a phrase: its words joined in camel
/// case, everything but letters and digits dropped ("a JPEG in another
/// folder" gives "aJPEGInAnotherFolder"), so that each case reads as the
/// end of the test's sentence.
inline std::string readableTestName(std::string_view phrase)
{
    std::string name;
    bool wordStart = false;
    for (const char c : phrase) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            wordStart = !name.empty();
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        wordStart = false;
    }
    return name;
}

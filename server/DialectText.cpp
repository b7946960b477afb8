#include "DialectText.h"

namespace orsa {

std::string replaceWords(std::string text,
                         const std::vector<std::pair<std::string, std::string>>& words)
{
    for (const auto& [from, to] : words) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

std::string dollarParameters(const std::string& sql)
{
    std::string out = sql;
    char quote = 0;
    for (char& c : out) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            c = '$';
        }
    }
    return out;
}

} // namespace orsa

// Rewrites of SQL text that the stores share.
#ifndef ORSA_DIALECTTEXT_H
#define ORSA_DIALECTTEXT_H

#include <string>
#include <utility>
#include <vector>

namespace orsa {

// Every occurrence of each placeholder replaced by its text.
std::string replaceWords(std::string text,
                         const std::vector<std::pair<std::string, std::string>>& words);

// ?N parameters as $N, outside quoted strings and names.
std::string dollarParameters(const std::string& sql);

} // namespace orsa

#endif // ORSA_DIALECTTEXT_H

// Pinyin initials of GB2312 text, for sorting names the way a Chinese reader expects.
#include "userdatacache.h"

#include "pinyintable_p.h"

#include <iterator>

namespace DATACore {
namespace {

// First-level characters (zones 16 to 55) are ordered by reading, so a
// character's initial is the letter of the last bound at or below its code.
struct Level1Bound {
    int code;
    char letter;
};

constexpr Level1Bound level1Bounds[] = {
    {1601, 'A'}, {1637, 'B'}, {1833, 'C'}, {2078, 'D'}, {2274, 'E'}, {2302, 'F'},
    {2433, 'G'}, {2594, 'H'}, {2787, 'J'}, {3106, 'K'}, {3212, 'L'}, {3472, 'M'},
    {3635, 'N'}, {3722, 'O'}, {3730, 'P'}, {3858, 'Q'}, {4027, 'R'}, {4086, 'S'},
    {4390, 'T'}, {4558, 'W'}, {4684, 'X'}, {4925, 'Y'}, {5249, 'Z'},
};

constexpr int level1First = 1601;
constexpr int level1Last = 5589;
constexpr uchar firstGbByte = 0xA1;
constexpr int gbByteOffset = 160;

char level1Initial(int code)
{
    for (auto it = std::end(level1Bounds); it != std::begin(level1Bounds);) {
        --it;
        if (it->code <= code)
            return it->letter;
    }
    return level1Bounds[0].letter; // not reached: callers pass codes >= level1First
}

void appendLatin1(QString& out, uchar byte)
{
    out += QLatin1Char(static_cast<char>(byte));
}

} // namespace

void UserDataCache::GetFirstLetter(const QByteArray& bytes, QString& out)
{
    const int n = bytes.size();
    int i = 0;
    while (i < n) {
        const auto b1 = static_cast<uchar>(bytes.at(i));
        if (i == n - 1) {
            appendLatin1(out, b1);
            break;
        }
        const auto b2 = static_cast<uchar>(bytes.at(i + 1));
        if (b1 < firstGbByte || b2 < firstGbByte) {
            appendLatin1(out, b1);
            ++i;
            continue;
        }
        const int code = (b1 - gbByteOffset) * 100 + (b2 - gbByteOffset);
        const int index =
            (b1 - Pinyin::level2FirstByte) * Pinyin::positionsPerZone + (b2 - firstGbByte);
        if (code >= level1First && code <= level1Last) {
            out += QLatin1Char(level1Initial(code));
        } else if (index >= 0 && index < Pinyin::level2Count) {
            out += QLatin1Char(Pinyin::level2Initials[index]);
        } else {
            // Symbols, full-width forms and unassigned codes pass through as they are.
            appendLatin1(out, b1);
            appendLatin1(out, b2);
        }
        i += 2;
    }
}

} // namespace DATACore

#include "platform/database/jet/in_place/general_sort_order.h"

namespace {

enum class Kind : quint8 {
    Ignored,        // leaves no trace in the key
    Simple,         // weight bytes only
    International,  // the weight of its base letter, and an accent
    Unprintable,    // no weight; its position and code come after the accents
};

struct CharacterWeight {
    Kind kind;
    quint8 weightSize;
    quint8 weight[2];
    quint8 code;  // the accent of an international letter, the code of an unprintable one
};

// The weights of the characters 0x00 to 0xFF, as Access writes them.
constexpr CharacterWeight kLatin1Weights[256] = {
    {Kind::Ignored, 0, {0, 0}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x03},
    {Kind::Unprintable, 0, {0, 0}, 0x04},
    {Kind::Unprintable, 0, {0, 0}, 0x05},  // 00
    {Kind::Unprintable, 0, {0, 0}, 0x06},
    {Kind::Unprintable, 0, {0, 0}, 0x07},
    {Kind::Unprintable, 0, {0, 0}, 0x08},
    {Kind::Unprintable, 0, {0, 0}, 0x09},  // 04
    {Kind::Unprintable, 0, {0, 0}, 0x0a},
    {Kind::Simple, 2, {0x08, 0x03}, 0},
    {Kind::Simple, 2, {0x08, 0x04}, 0},
    {Kind::Simple, 2, {0x08, 0x05}, 0},  // 08
    {Kind::Simple, 2, {0x08, 0x06}, 0},
    {Kind::Simple, 2, {0x08, 0x07}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x0b},
    {Kind::Unprintable, 0, {0, 0}, 0x0c},  // 0C
    {Kind::Unprintable, 0, {0, 0}, 0x0d},
    {Kind::Unprintable, 0, {0, 0}, 0x0e},
    {Kind::Unprintable, 0, {0, 0}, 0x0f},
    {Kind::Unprintable, 0, {0, 0}, 0x10},  // 10
    {Kind::Unprintable, 0, {0, 0}, 0x11},
    {Kind::Unprintable, 0, {0, 0}, 0x12},
    {Kind::Unprintable, 0, {0, 0}, 0x13},
    {Kind::Unprintable, 0, {0, 0}, 0x14},  // 14
    {Kind::Unprintable, 0, {0, 0}, 0x15},
    {Kind::Unprintable, 0, {0, 0}, 0x16},
    {Kind::Unprintable, 0, {0, 0}, 0x17},
    {Kind::Unprintable, 0, {0, 0}, 0x18},  // 18
    {Kind::Unprintable, 0, {0, 0}, 0x19},
    {Kind::Unprintable, 0, {0, 0}, 0x1a},
    {Kind::Unprintable, 0, {0, 0}, 0x1b},
    {Kind::Unprintable, 0, {0, 0}, 0x1c},  // 1C
    {Kind::Simple, 1, {0x07, 0x00}, 0},
    {Kind::Simple, 1, {0x09, 0x00}, 0},
    {Kind::Simple, 1, {0x0a, 0x00}, 0},
    {Kind::Simple, 1, {0x0c, 0x00}, 0},  // 20
    {Kind::Simple, 1, {0x0e, 0x00}, 0},
    {Kind::Simple, 1, {0x10, 0x00}, 0},
    {Kind::Simple, 1, {0x12, 0x00}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x80},  // 24
    {Kind::Simple, 1, {0x14, 0x00}, 0},
    {Kind::Simple, 1, {0x16, 0x00}, 0},
    {Kind::Simple, 1, {0x18, 0x00}, 0},
    {Kind::Simple, 1, {0x2c, 0x00}, 0},  // 28
    {Kind::Simple, 1, {0x1a, 0x00}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x82},
    {Kind::Simple, 1, {0x1c, 0x00}, 0},
    {Kind::Simple, 1, {0x1e, 0x00}, 0},  // 2C
    {Kind::Simple, 1, {0x36, 0x00}, 0},
    {Kind::Simple, 1, {0x38, 0x00}, 0},
    {Kind::Simple, 1, {0x3a, 0x00}, 0},
    {Kind::Simple, 1, {0x3c, 0x00}, 0},  // 30
    {Kind::Simple, 1, {0x3e, 0x00}, 0},
    {Kind::Simple, 1, {0x40, 0x00}, 0},
    {Kind::Simple, 1, {0x42, 0x00}, 0},
    {Kind::Simple, 1, {0x44, 0x00}, 0},  // 34
    {Kind::Simple, 1, {0x46, 0x00}, 0},
    {Kind::Simple, 1, {0x48, 0x00}, 0},
    {Kind::Simple, 1, {0x20, 0x00}, 0},
    {Kind::Simple, 1, {0x22, 0x00}, 0},  // 38
    {Kind::Simple, 1, {0x2e, 0x00}, 0},
    {Kind::Simple, 1, {0x30, 0x00}, 0},
    {Kind::Simple, 1, {0x32, 0x00}, 0},
    {Kind::Simple, 1, {0x24, 0x00}, 0},  // 3C
    {Kind::Simple, 1, {0x26, 0x00}, 0},
    {Kind::Simple, 1, {0x4a, 0x00}, 0},
    {Kind::Simple, 1, {0x4c, 0x00}, 0},
    {Kind::Simple, 1, {0x4d, 0x00}, 0},  // 40
    {Kind::Simple, 1, {0x4f, 0x00}, 0},
    {Kind::Simple, 1, {0x51, 0x00}, 0},
    {Kind::Simple, 1, {0x53, 0x00}, 0},
    {Kind::Simple, 1, {0x55, 0x00}, 0},  // 44
    {Kind::Simple, 1, {0x57, 0x00}, 0},
    {Kind::Simple, 1, {0x59, 0x00}, 0},
    {Kind::Simple, 1, {0x5b, 0x00}, 0},
    {Kind::Simple, 1, {0x5c, 0x00}, 0},  // 48
    {Kind::Simple, 1, {0x5e, 0x00}, 0},
    {Kind::Simple, 1, {0x60, 0x00}, 0},
    {Kind::Simple, 1, {0x62, 0x00}, 0},
    {Kind::Simple, 1, {0x64, 0x00}, 0},  // 4C
    {Kind::Simple, 1, {0x66, 0x00}, 0},
    {Kind::Simple, 1, {0x68, 0x00}, 0},
    {Kind::Simple, 1, {0x69, 0x00}, 0},
    {Kind::Simple, 1, {0x6b, 0x00}, 0},  // 50
    {Kind::Simple, 1, {0x6d, 0x00}, 0},
    {Kind::Simple, 1, {0x6f, 0x00}, 0},
    {Kind::Simple, 1, {0x71, 0x00}, 0},
    {Kind::Simple, 1, {0x73, 0x00}, 0},  // 54
    {Kind::Simple, 1, {0x75, 0x00}, 0},
    {Kind::Simple, 1, {0x76, 0x00}, 0},
    {Kind::Simple, 1, {0x78, 0x00}, 0},
    {Kind::Simple, 1, {0x27, 0x00}, 0},  // 58
    {Kind::Simple, 1, {0x29, 0x00}, 0},
    {Kind::Simple, 1, {0x2a, 0x00}, 0},
    {Kind::Simple, 2, {0x2b, 0x02}, 0},
    {Kind::Simple, 2, {0x2b, 0x03}, 0},  // 5C
    {Kind::Simple, 2, {0x2b, 0x07}, 0},
    {Kind::Simple, 1, {0x4a, 0x00}, 0},
    {Kind::Simple, 1, {0x4c, 0x00}, 0},
    {Kind::Simple, 1, {0x4d, 0x00}, 0},  // 60
    {Kind::Simple, 1, {0x4f, 0x00}, 0},
    {Kind::Simple, 1, {0x51, 0x00}, 0},
    {Kind::Simple, 1, {0x53, 0x00}, 0},
    {Kind::Simple, 1, {0x55, 0x00}, 0},  // 64
    {Kind::Simple, 1, {0x57, 0x00}, 0},
    {Kind::Simple, 1, {0x59, 0x00}, 0},
    {Kind::Simple, 1, {0x5b, 0x00}, 0},
    {Kind::Simple, 1, {0x5c, 0x00}, 0},  // 68
    {Kind::Simple, 1, {0x5e, 0x00}, 0},
    {Kind::Simple, 1, {0x60, 0x00}, 0},
    {Kind::Simple, 1, {0x62, 0x00}, 0},
    {Kind::Simple, 1, {0x64, 0x00}, 0},  // 6C
    {Kind::Simple, 1, {0x66, 0x00}, 0},
    {Kind::Simple, 1, {0x68, 0x00}, 0},
    {Kind::Simple, 1, {0x69, 0x00}, 0},
    {Kind::Simple, 1, {0x6b, 0x00}, 0},  // 70
    {Kind::Simple, 1, {0x6d, 0x00}, 0},
    {Kind::Simple, 1, {0x6f, 0x00}, 0},
    {Kind::Simple, 1, {0x71, 0x00}, 0},
    {Kind::Simple, 1, {0x73, 0x00}, 0},  // 74
    {Kind::Simple, 1, {0x75, 0x00}, 0},
    {Kind::Simple, 1, {0x76, 0x00}, 0},
    {Kind::Simple, 1, {0x78, 0x00}, 0},
    {Kind::Simple, 2, {0x2b, 0x09}, 0},  // 78
    {Kind::Simple, 2, {0x2b, 0x0b}, 0},
    {Kind::Simple, 2, {0x2b, 0x0d}, 0},
    {Kind::Simple, 2, {0x2b, 0x0f}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x1d},  // 7C
    {Kind::Unprintable, 0, {0, 0}, 0x1e},
    {Kind::Unprintable, 0, {0, 0}, 0x1f},
    {Kind::Unprintable, 0, {0, 0}, 0x20},
    {Kind::Unprintable, 0, {0, 0}, 0x21},  // 80
    {Kind::Unprintable, 0, {0, 0}, 0x22},
    {Kind::Unprintable, 0, {0, 0}, 0x23},
    {Kind::Unprintable, 0, {0, 0}, 0x24},
    {Kind::Unprintable, 0, {0, 0}, 0x25},  // 84
    {Kind::Unprintable, 0, {0, 0}, 0x26},
    {Kind::Unprintable, 0, {0, 0}, 0x27},
    {Kind::Unprintable, 0, {0, 0}, 0x28},
    {Kind::Unprintable, 0, {0, 0}, 0x29},  // 88
    {Kind::Unprintable, 0, {0, 0}, 0x2a},
    {Kind::Unprintable, 0, {0, 0}, 0x2b},
    {Kind::Unprintable, 0, {0, 0}, 0x2c},
    {Kind::Unprintable, 0, {0, 0}, 0x2d},  // 8C
    {Kind::Unprintable, 0, {0, 0}, 0x2e},
    {Kind::Unprintable, 0, {0, 0}, 0x2f},
    {Kind::Unprintable, 0, {0, 0}, 0x30},
    {Kind::Unprintable, 0, {0, 0}, 0x31},  // 90
    {Kind::Unprintable, 0, {0, 0}, 0x32},
    {Kind::Unprintable, 0, {0, 0}, 0x33},
    {Kind::Unprintable, 0, {0, 0}, 0x34},
    {Kind::Unprintable, 0, {0, 0}, 0x35},  // 94
    {Kind::Unprintable, 0, {0, 0}, 0x36},
    {Kind::Unprintable, 0, {0, 0}, 0x37},
    {Kind::Unprintable, 0, {0, 0}, 0x38},
    {Kind::Unprintable, 0, {0, 0}, 0x39},  // 98
    {Kind::Unprintable, 0, {0, 0}, 0x3a},
    {Kind::Unprintable, 0, {0, 0}, 0x3b},
    {Kind::Unprintable, 0, {0, 0}, 0x3c},
    {Kind::Unprintable, 0, {0, 0}, 0x3d},  // 9C
    {Kind::Simple, 2, {0x08, 0x02}, 0},
    {Kind::Simple, 2, {0x2b, 0x10}, 0},
    {Kind::Simple, 2, {0x34, 0xa6}, 0},
    {Kind::Simple, 2, {0x34, 0xa7}, 0},  // A0
    {Kind::Simple, 2, {0x34, 0xa8}, 0},
    {Kind::Simple, 2, {0x34, 0xa9}, 0},
    {Kind::Simple, 2, {0x2b, 0x11}, 0},
    {Kind::Simple, 2, {0x34, 0xaa}, 0},  // A4
    {Kind::Simple, 2, {0x2b, 0x12}, 0},
    {Kind::Simple, 2, {0x34, 0xab}, 0},
    {Kind::International, 1, {0x4a, 0}, 0x03},
    {Kind::Simple, 2, {0x33, 0x05}, 0},  // A8
    {Kind::Simple, 2, {0x34, 0xac}, 0},
    {Kind::Unprintable, 0, {0, 0}, 0x83},
    {Kind::Simple, 2, {0x34, 0xad}, 0},
    {Kind::Simple, 2, {0x2b, 0x13}, 0},  // AC
    {Kind::Simple, 2, {0x34, 0xae}, 0},
    {Kind::Simple, 2, {0x33, 0x04}, 0},
    {Kind::Simple, 1, {0x3a, 0x00}, 0},
    {Kind::Simple, 1, {0x3c, 0x00}, 0},  // B0
    {Kind::Simple, 2, {0x2b, 0x14}, 0},
    {Kind::Simple, 2, {0x34, 0xaf}, 0},
    {Kind::Simple, 2, {0x34, 0xb0}, 0},
    {Kind::Simple, 2, {0x34, 0xb1}, 0},  // B4
    {Kind::Simple, 2, {0x2b, 0x15}, 0},
    {Kind::Simple, 1, {0x38, 0x00}, 0},
    {Kind::International, 1, {0x64, 0}, 0x03},
    {Kind::Simple, 2, {0x33, 0x07}, 0},  // B8
    {Kind::Simple, 2, {0x37, 0x12}, 0},
    {Kind::Simple, 2, {0x37, 0x16}, 0},
    {Kind::Simple, 2, {0x37, 0x1a}, 0},
    {Kind::Simple, 2, {0x2b, 0x16}, 0},  // BC
    {Kind::International, 1, {0x4a, 0}, 0x0f},
    {Kind::International, 1, {0x4a, 0}, 0x0e},
    {Kind::International, 1, {0x4a, 0}, 0x12},
    {Kind::International, 1, {0x4a, 0}, 0x19},  // C0
    {Kind::International, 1, {0x4a, 0}, 0x13},
    {Kind::International, 1, {0x4a, 0}, 0x1a},
    {Kind::Simple, 2, {0x4a, 0x51}, 0},
    {Kind::International, 1, {0x4d, 0}, 0x1c},  // C4
    {Kind::International, 1, {0x51, 0}, 0x0f},
    {Kind::International, 1, {0x51, 0}, 0x0e},
    {Kind::International, 1, {0x51, 0}, 0x12},
    {Kind::International, 1, {0x51, 0}, 0x13},  // C8
    {Kind::International, 1, {0x59, 0}, 0x0f},
    {Kind::International, 1, {0x59, 0}, 0x0e},
    {Kind::International, 1, {0x59, 0}, 0x12},
    {Kind::International, 1, {0x59, 0}, 0x13},  // CC
    {Kind::International, 1, {0x4f, 0}, 0x68},
    {Kind::International, 1, {0x62, 0}, 0x19},
    {Kind::International, 1, {0x64, 0}, 0x0f},
    {Kind::International, 1, {0x64, 0}, 0x0e},  // D0
    {Kind::International, 1, {0x64, 0}, 0x12},
    {Kind::International, 1, {0x64, 0}, 0x19},
    {Kind::International, 1, {0x64, 0}, 0x13},
    {Kind::Simple, 2, {0x33, 0x09}, 0},  // D4
    {Kind::International, 1, {0x64, 0}, 0x21},
    {Kind::International, 1, {0x6f, 0}, 0x0f},
    {Kind::International, 1, {0x6f, 0}, 0x0e},
    {Kind::International, 1, {0x6f, 0}, 0x12},  // D8
    {Kind::International, 1, {0x6f, 0}, 0x13},
    {Kind::International, 1, {0x76, 0}, 0x0e},
    {Kind::Simple, 2, {0x6d, 0x57}, 0},
    {Kind::Simple, 2, {0x6b, 0x6b}, 0},  // DC
    {Kind::International, 1, {0x4a, 0}, 0x0f},
    {Kind::International, 1, {0x4a, 0}, 0x0e},
    {Kind::International, 1, {0x4a, 0}, 0x12},
    {Kind::International, 1, {0x4a, 0}, 0x19},  // E0
    {Kind::International, 1, {0x4a, 0}, 0x13},
    {Kind::International, 1, {0x4a, 0}, 0x1a},
    {Kind::Simple, 2, {0x4a, 0x51}, 0},
    {Kind::International, 1, {0x4d, 0}, 0x1c},  // E4
    {Kind::International, 1, {0x51, 0}, 0x0f},
    {Kind::International, 1, {0x51, 0}, 0x0e},
    {Kind::International, 1, {0x51, 0}, 0x12},
    {Kind::International, 1, {0x51, 0}, 0x13},  // E8
    {Kind::International, 1, {0x59, 0}, 0x0f},
    {Kind::International, 1, {0x59, 0}, 0x0e},
    {Kind::International, 1, {0x59, 0}, 0x12},
    {Kind::International, 1, {0x59, 0}, 0x13},  // EC
    {Kind::International, 1, {0x4f, 0}, 0x68},
    {Kind::International, 1, {0x62, 0}, 0x19},
    {Kind::International, 1, {0x64, 0}, 0x0f},
    {Kind::International, 1, {0x64, 0}, 0x0e},  // F0
    {Kind::International, 1, {0x64, 0}, 0x12},
    {Kind::International, 1, {0x64, 0}, 0x19},
    {Kind::International, 1, {0x64, 0}, 0x13},
    {Kind::Simple, 2, {0x33, 0x0a}, 0},  // F4
    {Kind::International, 1, {0x64, 0}, 0x21},
    {Kind::International, 1, {0x6f, 0}, 0x0f},
    {Kind::International, 1, {0x6f, 0}, 0x0e},
    {Kind::International, 1, {0x6f, 0}, 0x12},  // F8
    {Kind::International, 1, {0x6f, 0}, 0x13},
    {Kind::International, 1, {0x76, 0}, 0x0e},
    {Kind::Simple, 2, {0x6d, 0x57}, 0},
    {Kind::International, 1, {0x76, 0}, 0x13},  // FC
};

constexpr char kEndOfText = 0x01;
constexpr char kEndOfKey = 0x00;
constexpr char kPlainLetter = 0x02;  // the accent slot of a letter without one
constexpr int kMaxKeyedCharacters = 255;

}  // namespace

std::optional<QByteArray> GeneralSortKey(const QString& text)
{
    qsizetype length = std::min<qsizetype>(text.size(), kMaxKeyedCharacters);
    while (length > 0 && text.at(length - 1) == QLatin1Char(' '))
        --length;

    QByteArray key;
    QByteArray accents;
    QByteArray unprintables;
    int weighed = 0;      // characters with a weight so far
    int accentSlots = 0;  // of those, the ones the accents account for
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit > 0xff)
            return std::nullopt;
        const CharacterWeight& weight = kLatin1Weights[unit];
        switch (weight.kind) {
            case Kind::Ignored: break;
            case Kind::Simple:
                key.append(reinterpret_cast<const char*>(weight.weight), weight.weightSize);
                ++weighed;
                break;
            case Kind::International:
                accents.append(QByteArray(weighed - accentSlots, kPlainLetter));
                accents.append(static_cast<char>(weight.code));
                accentSlots = weighed + 1;
                key.append(reinterpret_cast<const char*>(weight.weight), weight.weightSize);
                ++weighed;
                break;
            case Kind::Unprintable: {
                // Its position counts the accent bytes so far and the letters they do not account for yet.
                const int position = static_cast<int>(accents.size()) + (weighed - accentSlots);
                const int marker = (7 + 4 * position) | 0x8000;
                unprintables.append(static_cast<char>((marker >> 8) & 0xff));
                unprintables.append(static_cast<char>(marker & 0xff));
                unprintables.append('\x06');
                unprintables.append(static_cast<char>(weight.code));
                break;
            }
        }
    }
    key.append(kEndOfText);
    while (!accents.isEmpty() && static_cast<quint8>(accents.back()) <= static_cast<quint8>(kPlainLetter))
        accents.chop(1);
    key.append(accents);
    if (!unprintables.isEmpty()) {
        key.append(kEndOfText);
        key.append(kEndOfText);
        key.append(kEndOfText);
        key.append(unprintables);
    }
    key.append(kEndOfKey);
    return key;
}

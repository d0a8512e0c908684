#include "platform/database/jet/in_place/general_sort_order.h"

#include "platform/database/jet/format/text_encoding.h"

#include <vector>

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

// Jet 3's weights for the bytes 0x00 to 0xFF of Windows-1252, as Access 97
// writes them; a size of 0 where no Access-made key shows the weight.
struct Jet3CharacterWeight {
    quint8 weightSize;
    quint8 weight[2];
    quint8 accent;  // 0 for a character without one
};

constexpr Jet3CharacterWeight kJet3Weights[256] = {
    {0, {0, 0}, 0},         {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 00
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 04
    {1, {0x10, 0x00}, 0},   {1, {0x11, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 08
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 0C
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 10
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 14
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {0, {0, 0}, 0},         {1, {0x10, 0x00}, 0},    // 18
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 1C
    {1, {0x11, 0x00}, 0},   {1, {0x12, 0x00}, 0},   {1, {0x13, 0x00}, 0},   {1, {0x14, 0x00}, 0},    // 20
    {1, {0x15, 0x00}, 0},   {1, {0x16, 0x00}, 0},   {1, {0x17, 0x00}, 0},   {1, {0x18, 0x00}, 0},    // 24
    {1, {0x19, 0x00}, 0},   {1, {0x1a, 0x00}, 0},   {1, {0x1b, 0x00}, 0},   {1, {0x1c, 0x00}, 0},    // 28
    {1, {0x1d, 0x00}, 0},   {1, {0x1e, 0x00}, 0},   {1, {0x1f, 0x00}, 0},   {1, {0x20, 0x00}, 0},    // 2C
    {1, {0x56, 0x00}, 0},   {1, {0x57, 0x00}, 0},   {1, {0x58, 0x00}, 0},   {1, {0x59, 0x00}, 0},    // 30
    {1, {0x5a, 0x00}, 0},   {1, {0x5b, 0x00}, 0},   {1, {0x5c, 0x00}, 0},   {1, {0x5d, 0x00}, 0},    // 34
    {1, {0x5e, 0x00}, 0},   {1, {0x5f, 0x00}, 0},   {1, {0x21, 0x00}, 0},   {1, {0x22, 0x00}, 0},    // 38
    {1, {0x23, 0x00}, 0},   {1, {0x24, 0x00}, 0},   {1, {0x25, 0x00}, 0},   {1, {0x26, 0x00}, 0},    // 3C
    {1, {0x27, 0x00}, 0},   {1, {0x60, 0x00}, 0},   {1, {0x61, 0x00}, 0},   {1, {0x62, 0x00}, 0},    // 40
    {1, {0x64, 0x00}, 0},   {1, {0x66, 0x00}, 0},   {1, {0x67, 0x00}, 0},   {1, {0x68, 0x00}, 0},    // 44
    {1, {0x69, 0x00}, 0},   {1, {0x6a, 0x00}, 0},   {1, {0x6b, 0x00}, 0},   {1, {0x6c, 0x00}, 0},    // 48
    {1, {0x6d, 0x00}, 0},   {1, {0x6f, 0x00}, 0},   {1, {0x70, 0x00}, 0},   {1, {0x72, 0x00}, 0},    // 4C
    {1, {0x73, 0x00}, 0},   {1, {0x74, 0x00}, 0},   {1, {0x75, 0x00}, 0},   {1, {0x76, 0x00}, 0},    // 50
    {1, {0x77, 0x00}, 0},   {1, {0x78, 0x00}, 0},   {1, {0x7a, 0x00}, 0},   {1, {0x7b, 0x00}, 0},    // 54
    {1, {0x7c, 0x00}, 0},   {1, {0x7d, 0x00}, 0},   {1, {0x7e, 0x00}, 0},   {1, {0x28, 0x00}, 0},    // 58
    {1, {0x29, 0x00}, 0},   {1, {0x2a, 0x00}, 0},   {1, {0x2b, 0x00}, 0},   {1, {0x2c, 0x00}, 0},    // 5C
    {1, {0x2d, 0x00}, 0},   {1, {0x60, 0x00}, 0},   {1, {0x61, 0x00}, 0},   {1, {0x62, 0x00}, 0},    // 60
    {1, {0x64, 0x00}, 0},   {1, {0x66, 0x00}, 0},   {1, {0x67, 0x00}, 0},   {1, {0x68, 0x00}, 0},    // 64
    {1, {0x69, 0x00}, 0},   {1, {0x6a, 0x00}, 0},   {1, {0x6b, 0x00}, 0},   {1, {0x6c, 0x00}, 0},    // 68
    {1, {0x6d, 0x00}, 0},   {1, {0x6f, 0x00}, 0},   {1, {0x70, 0x00}, 0},   {1, {0x72, 0x00}, 0},    // 6C
    {1, {0x73, 0x00}, 0},   {1, {0x74, 0x00}, 0},   {1, {0x75, 0x00}, 0},   {1, {0x76, 0x00}, 0},    // 70
    {1, {0x77, 0x00}, 0},   {1, {0x78, 0x00}, 0},   {1, {0x7a, 0x00}, 0},   {1, {0x7b, 0x00}, 0},    // 74
    {1, {0x7c, 0x00}, 0},   {1, {0x7d, 0x00}, 0},   {1, {0x7e, 0x00}, 0},   {1, {0x2e, 0x00}, 0},    // 78
    {1, {0x2f, 0x00}, 0},   {1, {0x30, 0x00}, 0},   {1, {0x31, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 7C
    {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x18, 0x00}, 0},   {1, {0x32, 0x00}, 0},    // 80
    {1, {0x13, 0x00}, 0},   {1, {0x33, 0x00}, 0},   {1, {0x34, 0x00}, 0},   {1, {0x35, 0x00}, 0},    // 84
    {1, {0x36, 0x00}, 0},   {1, {0x37, 0x00}, 0},   {1, {0x76, 0x00}, 0xa}, {1, {0x18, 0x00}, 0},    // 88
    {2, {0x72, 0x66}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},    // 8C
    {1, {0x10, 0x00}, 0},   {1, {0x18, 0x00}, 0},   {1, {0x18, 0x00}, 0},   {1, {0x13, 0x00}, 0},    // 90
    {1, {0x13, 0x00}, 0},   {1, {0x38, 0x00}, 0},   {1, {0x1e, 0x00}, 0},   {1, {0x1e, 0x00}, 0},    // 94
    {1, {0x39, 0x00}, 0},   {1, {0x3a, 0x00}, 0},   {1, {0x76, 0x00}, 0xa}, {1, {0x18, 0x00}, 0},    // 98
    {2, {0x72, 0x66}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x10, 0x00}, 0},   {1, {0x7d, 0x00}, 0x6},  // 9C
    {1, {0x11, 0x00}, 0},   {1, {0x3b, 0x00}, 0},   {1, {0x3c, 0x00}, 0},   {1, {0x3d, 0x00}, 0},    // A0
    {1, {0x3e, 0x00}, 0},   {1, {0x3f, 0x00}, 0},   {1, {0x40, 0x00}, 0},   {1, {0x41, 0x00}, 0},    // A4
    {1, {0x42, 0x00}, 0},   {1, {0x43, 0x00}, 0},   {1, {0x44, 0x00}, 0},   {1, {0x13, 0x00}, 0},    // A8
    {1, {0x45, 0x00}, 0},   {1, {0x1e, 0x00}, 0},   {1, {0x46, 0x00}, 0},   {1, {0x47, 0x00}, 0},    // AC
    {1, {0x48, 0x00}, 0},   {1, {0x49, 0x00}, 0},   {1, {0x58, 0x00}, 0},   {1, {0x59, 0x00}, 0},    // B0
    {1, {0x4a, 0x00}, 0},   {1, {0x4b, 0x00}, 0},   {1, {0x4c, 0x00}, 0},   {1, {0x4d, 0x00}, 0},    // B4
    {1, {0x4e, 0x00}, 0},   {1, {0x57, 0x00}, 0},   {1, {0x4f, 0x00}, 0},   {1, {0x13, 0x00}, 0},    // B8
    {1, {0x50, 0x00}, 0},   {1, {0x51, 0x00}, 0},   {1, {0x52, 0x00}, 0},   {1, {0x53, 0x00}, 0},    // BC
    {1, {0x60, 0x00}, 0x3}, {1, {0x60, 0x00}, 0x4}, {1, {0x60, 0x00}, 0x5}, {1, {0x60, 0x00}, 0x7},  // C0
    {1, {0x60, 0x00}, 0x6}, {1, {0x60, 0x00}, 0x8}, {2, {0x60, 0x66}, 0},   {1, {0x62, 0x00}, 0x9},  // C4
    {1, {0x66, 0x00}, 0x3}, {1, {0x66, 0x00}, 0x4}, {1, {0x66, 0x00}, 0x5}, {1, {0x66, 0x00}, 0x6},  // C8
    {1, {0x6a, 0x00}, 0x3}, {1, {0x6a, 0x00}, 0x4}, {1, {0x6a, 0x00}, 0x5}, {1, {0x6a, 0x00}, 0x6},  // CC
    {1, {0x65, 0x00}, 0},   {1, {0x70, 0x00}, 0x7}, {1, {0x72, 0x00}, 0x3}, {1, {0x72, 0x00}, 0x4},  // D0
    {1, {0x72, 0x00}, 0x5}, {1, {0x72, 0x00}, 0x7}, {1, {0x72, 0x00}, 0x6}, {1, {0x54, 0x00}, 0},    // D4
    {1, {0x81, 0x00}, 0},   {1, {0x78, 0x00}, 0x3}, {1, {0x78, 0x00}, 0x4}, {1, {0x78, 0x00}, 0x5},  // D8
    {1, {0x78, 0x00}, 0x6}, {1, {0x7d, 0x00}, 0x4}, {1, {0x7f, 0x00}, 0},   {2, {0x76, 0x76}, 0},    // DC
    {1, {0x60, 0x00}, 0x3}, {1, {0x60, 0x00}, 0x4}, {1, {0x60, 0x00}, 0x5}, {1, {0x60, 0x00}, 0x7},  // E0
    {1, {0x60, 0x00}, 0x6}, {1, {0x60, 0x00}, 0x8}, {2, {0x60, 0x66}, 0},   {1, {0x62, 0x00}, 0x9},  // E4
    {1, {0x66, 0x00}, 0x3}, {1, {0x66, 0x00}, 0x4}, {1, {0x66, 0x00}, 0x5}, {1, {0x66, 0x00}, 0x6},  // E8
    {1, {0x6a, 0x00}, 0x3}, {1, {0x6a, 0x00}, 0x4}, {1, {0x6a, 0x00}, 0x5}, {1, {0x6a, 0x00}, 0x6},  // EC
    {1, {0x65, 0x00}, 0},   {1, {0x70, 0x00}, 0x7}, {1, {0x72, 0x00}, 0x3}, {1, {0x72, 0x00}, 0x4},  // F0
    {1, {0x72, 0x00}, 0x5}, {1, {0x72, 0x00}, 0x7}, {1, {0x72, 0x00}, 0x6}, {1, {0x55, 0x00}, 0},    // F4
    {1, {0x81, 0x00}, 0},   {1, {0x78, 0x00}, 0x3}, {1, {0x78, 0x00}, 0x4}, {1, {0x78, 0x00}, 0x5},  // F8
    {1, {0x78, 0x00}, 0x6}, {1, {0x7d, 0x00}, 0x4}, {1, {0x7f, 0x00}, 0},   {1, {0x7d, 0x00}, 0x6},  // FC
};

// How many accent slots a character takes before an accented letter, where
// the Access-made keys show it; -1 where they do not.
int Jet3AccentSlots(quint8 byte)
{
    switch (byte) {
        case 'A':
        case 'a': return 1;
        case '-':
        case 0xa0: return 0;
        default: return -1;
    }
}

constexpr quint8 kJet3AccentsBound = 0x0;
constexpr quint8 kJet3PlainLetter = 0x2;
constexpr char kJet3EndOfKey = 0x00;

std::optional<QByteArray> Jet3GeneralSortKey(const QString& text)
{
    if (text.isEmpty() || text.endsWith(QLatin1Char(' ')))
        return std::nullopt;
    QByteArray key;
    std::vector<quint8> accents;
    int slotsBefore = 0;  // -1 once a character of unknown slots came before any accent
    for (const QChar character : text) {
        const int byte = Windows1252Byte(character.unicode());
        if (byte < 0 || kJet3Weights[byte].weightSize == 0)
            return std::nullopt;
        const Jet3CharacterWeight& weight = kJet3Weights[byte];
        key.append(reinterpret_cast<const char*>(weight.weight), weight.weightSize);
        if (weight.accent != 0) {
            if (!accents.empty() || slotsBefore < 0)
                return std::nullopt;
            accents.push_back(kJet3AccentsBound);
            accents.insert(accents.end(), slotsBefore, kJet3PlainLetter);
            accents.push_back(weight.accent);
            accents.push_back(kJet3AccentsBound);
        } else if (accents.empty() && slotsBefore >= 0) {
            const int taken = Jet3AccentSlots(static_cast<quint8>(byte));
            slotsBefore = taken < 0 ? -1 : slotsBefore + taken;
        }
    }
    if (accents.empty()) {
        key.append(kJet3EndOfKey);
        return key;
    }
    if (accents.size() % 2 != 0)
        accents.push_back(0);
    for (std::size_t i = 0; i < accents.size(); i += 2)
        key.append(static_cast<char>((accents[i] << 4) | accents[i + 1]));
    return key;
}

constexpr char kEndOfText = 0x01;
constexpr char kEndOfKey = 0x00;
constexpr char kPlainLetter = 0x02;  // the accent slot of a letter without one
constexpr int kMaxKeyedCharacters = 255;

}  // namespace

std::optional<QByteArray> GeneralSortKey(const QString& text, JetVersion version)
{
    if (version == JetVersion::Jet3)
        return Jet3GeneralSortKey(text);
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

#include "platform/database/jet/format/text_encoding.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

TEST(TextEncoding, LatinTextIsCompressedToOneBytePerCharacter)
{
    EXPECT_EQ(EncodeJetText(QStringLiteral("abc")), Bytes({0xff, 0xfe, 'a', 'b', 'c'}));
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("Forlì")), Bytes({0xff, 0xfe, 'F', 'o', 'r', 'l', 0xec}));
}

TEST(TextEncoding, CompressionIsUsedOnlyWhenShorter)
{
    // Two characters take four bytes either way; one takes two.
    EXPECT_EQ(EncodeJetText(QStringLiteral("ab")), Bytes({'a', 0, 'b', 0}));
    EXPECT_EQ(EncodeJetText(QStringLiteral("a")), Bytes({'a', 0}));
    EXPECT_EQ(EncodeJetText(QString()), QByteArray());
    // Cyrillic alone gains nothing from a switch to two-byte mode.
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("Мир")), Bytes({0x1c, 0x04, 0x38, 0x04, 0x40, 0x04}));
}

TEST(TextEncoding, MixedTextSwitchesModesWhereThatSaves)
{
    // "Мир" in two-byte mode, then a run of five Latin characters back in one-byte mode.
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("Мир abcd")),
              Bytes({0xff, 0xfe, 0, 0x1c, 0x04, 0x38, 0x04, 0x40, 0x04, 0, ' ', 'a', 'b', 'c', 'd'}));
    // Where the switches eat the saving, the text stays plain UCS-2.
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("Мир abc")).size(), 14);
    EXPECT_FALSE(EncodeJetText(QString::fromUtf8("Мир abc")).startsWith("\xff\xfe"));
    // A single Latin character between Cyrillic ones stays in two-byte mode.
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("aaaaЖ ЖЖ")),
              Bytes({0xff, 0xfe, 'a', 'a', 'a', 'a', 0, 0x16, 0x04, ' ', 0x00, 0x16, 0x04, 0x16, 0x04}));
}

TEST(TextEncoding, TextWithAZeroLowByteIsNeverCompressed)
{
    // U+0100 and U+0400 end in a zero byte, which a reader would take for a mode switch.
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("abcdefĀ")),
              Bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0, 'e', 0, 'f', 0, 0x00, 0x01}));
    EXPECT_EQ(EncodeJetText(QString::fromUtf8("abcdefЀ")).size(), 14);
}

}  // namespace

#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/format/table_definition.h"

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
    // So does U+0000 itself, among Latin characters only.
    EXPECT_EQ(EncodeJetText(QStringLiteral("abc") + QChar(0) + QStringLiteral("def")),
              Bytes({'a', 0, 'b', 0, 'c', 0, 0, 0, 'd', 0, 'e', 0, 'f', 0}));
}

// Plain UCS-2 of a text that begins with U+FEFF would begin with the
// compressed form's marker: such a text always takes the compressed form,
// U+FEFF in two-byte mode, and comes back whole.
TEST(TextEncoding, ATextBeginningWithUFeffKeepsItsFirstCharacter)
{
    const QString bom(QChar(0xfeff));
    EXPECT_EQ(EncodeJetText(bom + QStringLiteral("bomx")), Bytes({0xff, 0xfe, 0, 0xff, 0xfe, 0, 'b', 'o', 'm', 'x'}));
    EXPECT_EQ(EncodeJetText(bom), Bytes({0xff, 0xfe, 0, 0xff, 0xfe}));
    for (const QString& text : {bom + QStringLiteral("bomx"), bom, bom + bom, bom + QString::fromUtf8("Мир"),
                                bom + QStringLiteral("ab"), QStringLiteral("a") + bom}) {
        const QByteArray stored = EncodeJetText(text);
        EXPECT_EQ(DecodeJetText(stored.constData(), stored.size()), text) << stored.toHex().toStdString();
    }
    // Neither form can hold it beside a character that ends in a zero byte,
    // nor in a column that does not allow the compressed form.
    EXPECT_THROW(EncodeJetText(bom + QString::fromUtf8("Ā")), JetWriteError);
    EXPECT_THROW(EncodeJetText(bom + QStringLiteral("x"), false), JetWriteError);
}

}  // namespace

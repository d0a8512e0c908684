#include "platform/wine_registry/code_page_1252.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage1252, EveryByteComesBackUnchanged)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    const QString text = FromCodePage1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToCodePage1252(text), all);
}

TEST(CodePage1252, MapsTheWindowsCharactersOfTheHighControlBlock)
{
    EXPECT_EQ(FromCodePage1252("\x80\x8a\x92\x96\x9f"), QString::fromUtf16(u"€Š’–Ÿ"));
    EXPECT_EQ(ToCodePage1252(QString::fromUtf16(u"Perù, 5€ – “così”")),
              QByteArray("Per\xf9, 5\x80 \x96 \x93"
                         "cos\xec\x94"));
    // The bytes the code page leaves undefined stand for themselves.
    EXPECT_EQ(FromCodePage1252("\x81\x8d\x8f\x90\x9d"), QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d"));
}

TEST(CodePage1252, WhatTheCodePageLacksBecomesOneQuestionMarkACharacter)
{
    EXPECT_EQ(ToCodePage1252(QString::fromUtf16(u"Ωmega ā \u0080")), QByteArray("?mega ? ?"));
    EXPECT_EQ(ToCodePage1252(QString::fromUtf16(u"a😀b")), QByteArray("a?b"));  // a surrogate pair
    EXPECT_EQ(ToCodePage1252(QString::fromUtf16(u"a") + QChar(0xD800) + QLatin1Char('b')),
              QByteArray("a?b"));  // a lone surrogate
}

}  // namespace

#include "ui/error_report.h"
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, NamesRoutineLineNumberAndDescription)
{
    EXPECT_EQ(
        ErrorReportText(
            QStringLiteral("fmAgab"), QStringLiteral("CopiaAbiCab"), 970,
            RuntimeError(ErrorNumber::IntegrityViolation, QStringLiteral("UNIQUE constraint failed: ABI.AbiAbi"))),
        QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 970, errore -2147217873, descrizione: UNIQUE constraint "
                       "failed: ABI.AbiAbi"));
}

TEST(ErrorReport, IsACriticalBoxWithTheSystemsTitle)
{
    ScriptedUiServices ui;
    ShowErrorReport(ui, QStringLiteral("Corabicab"), QStringLiteral("GetVarGlobali"), 30, RuntimeError::overflow());
    ASSERT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_EQ(ui.messageBoxes()[0].style, 16);
    EXPECT_EQ(ui.messageBoxes()[0].title, QStringLiteral("Messaggio di Corvanta NET"));
    EXPECT_EQ(ui.messageBoxes()[0].text,
              QStringLiteral("Routine Corabicab:GetVarGlobali, linea 30, errore 6, descrizione: Overflow"));
}

TEST(MsgBoxStyle, AddsThePlatformsCodes)
{
    EXPECT_EQ(MsgBoxStyle(MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First), 16);
    EXPECT_EQ(MsgBoxStyle(MsgIcon::Exclamation, MsgButtons::Ok, MsgDefault::First), 48);
    EXPECT_EQ(MsgBoxStyle(MsgIcon::Question, MsgButtons::YesNo, MsgDefault::First), 36);
    EXPECT_EQ(MsgBoxStyle(MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second), 292);
    EXPECT_EQ(MsgBoxStyle(MsgIcon::Information, MsgButtons::Ok, MsgDefault::First), 64);
}

}  // namespace

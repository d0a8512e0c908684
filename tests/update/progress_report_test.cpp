#include "update/progress_report.h"
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressReport, CountsTheRowsOfATableOnAThousandStepBar)
{
    ScriptedUiServices ui;
    int linea = 0;
    ProgressReport report(ui, linea);
    report.tableStarting(CodeTable::Abi, 25);
    EXPECT_EQ(ui.calls(),
              (QStringList{QStringLiteral("Progress(Min): 0"), QStringLiteral("Progress(Max): 1000"),
                           QStringLiteral("Progress(Value): 0"),
                           QStringLiteral("Caption(lbProgr): Aggiornamento codici ABI in corso..."),
                           QStringLiteral("PumpEvents")}));
    QStringList values;
    QStringList pumpedAfter;
    for (int row = 1; row <= 25; ++row) {
        const qsizetype before = ui.calls().size();
        report.rowInserted(CodeTable::Abi);
        const QStringList calls = ui.calls().mid(before);
        EXPECT_EQ(calls.first(),
                  QStringLiteral("Caption(lbProgr): Aggiornamento codici ABI (%1 di 25) in corso...").arg(row));
        if (calls.contains(QStringLiteral("PumpEvents")))
            pumpedAfter.append(QString::number(row));
        values.append(calls.last());
    }
    EXPECT_EQ(pumpedAfter, (QStringList{QStringLiteral("10"), QStringLiteral("20")}));
    EXPECT_EQ(values.first(), QStringLiteral("Progress(Value): 39"));
    EXPECT_EQ(values.at(12), QStringLiteral("Progress(Value): 519"));
    EXPECT_EQ(values.last(), QStringLiteral("Progress(Value): 999"));
    EXPECT_EQ(linea, 1010);
    report.tableFinished(CodeTable::Abi);
    EXPECT_EQ(ui.calls().last(), QStringLiteral("Progress(Value): 1000"));
    EXPECT_EQ(linea, 1050);
}

TEST(ProgressReport, StartsEachTableAfreshAndNamesItsPhase)
{
    ScriptedUiServices ui;
    int linea = 0;
    ProgressReport report(ui, linea);
    report.deletionStarting();
    EXPECT_EQ(ui.calls(),
              (QStringList{QStringLiteral("Caption(lbProgr): Cancellazione codici ABI/CAB in corso..."),
                           QStringLiteral("PumpEvents")}));
    EXPECT_EQ(linea, 770);
    report.tableStarting(CodeTable::Abi, 2);
    report.rowInserted(CodeTable::Abi);
    report.tableStarting(CodeTable::Cab, 1);
    EXPECT_EQ(linea, 1130);
    report.rowInserted(CodeTable::Cab);
    EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Aggiornamento codici CAB (1 di 1) in corso..."));
    EXPECT_EQ(ui.progress(ProgressProperty::Value), 999.0F);
    EXPECT_EQ(linea, 1240);
    report.tableFinished(CodeTable::Cab);
    EXPECT_EQ(linea, 1280);
}

// Records nothing, so that millions of rows stay cheap.
class SilentUi : public ScriptedUiServices {
public:
    void setCaption(Control, const QString&) override {}
    void setProgress(ProgressProperty, float) override {}
    void pumpEvents() override {}
};

TEST(ProgressReport, OverflowsWhereTheScaledCounterLeavesThirtyTwoBits)
{
    SilentUi ui;
    int linea = 0;
    ProgressReport report(ui, linea);
    report.tableStarting(CodeTable::Cab, 3000000);
    for (int row = 1; row < 2149634; ++row)
        report.rowInserted(CodeTable::Cab);
    try {
        report.rowInserted(CodeTable::Cab);
        FAIL() << "row 2,149,634 must overflow";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Overflow);
        EXPECT_EQ(linea, 1240);
    }
}

}  // namespace

#include "update/progress_report.h"

#include "platform/runtime/runtime_error.h"
#include "update/decimal_text.h"

#include <cmath>
#include <limits>

namespace {

// The CAB table runs the same steps as the ABI table, 230 lines further on.
int LineOffset(CodeTable table)
{
    return table == CodeTable::Abi ? 0 : 230;
}

QString TableName(CodeTable table)
{
    return table == CodeTable::Abi ? QStringLiteral("ABI") : QStringLiteral("CAB");
}

// The counters are 32-bit, as the report has always kept them.
std::int32_t Checked(qint64 value)
{
    if (value > std::numeric_limits<std::int32_t>::max())
        throw RuntimeError::overflow();
    return static_cast<std::int32_t>(value);
}

QString PhaseCaption(CodeTable table)
{
    return QStringLiteral("Aggiornamento codici %1 in corso...").arg(TableName(table));
}

QString RowCaption(CodeTable table, std::int32_t counter, std::int32_t rowCount)
{
    // Made for every row: appended into one string rather than formatted.
    QString caption;
    caption.reserve(64);
    caption += QStringView(u"Aggiornamento codici ");
    caption += TableName(table);
    caption += QStringView(u" (");
    AppendDecimal(caption, counter);
    caption += QStringView(u" di ");
    AppendDecimal(caption, rowCount);
    caption += QStringView(u") in corso...");
    return caption;
}

// The bar runs from 0 to 999 over the rows, on a fixed scale whatever their number.
float BarValue(std::int32_t counter, std::int32_t rowCount)
{
    const std::int32_t scaled = Checked(qint64(counter) * 999);
    return static_cast<float>(std::floor(static_cast<double>(scaled) / static_cast<double>(rowCount)));
}

}  // namespace

void ProgressReport::deletionStarting()
{
    linea_ = 760;
    ui_.setCaption(Control::lbProgr, QStringLiteral("Cancellazione codici ABI/CAB in corso..."));
    linea_ = 770;
    ui_.pumpEvents();
}

void ProgressReport::tableStarting(CodeTable table, std::int32_t rowCount)
{
    const int off = LineOffset(table);
    rowCount_ = rowCount;
    linea_ = 850 + off;
    counter_ = 0;
    linea_ = 860 + off;
    ui_.setProgress(ProgressProperty::Min, 0.0F);
    linea_ = 870 + off;
    ui_.setProgress(ProgressProperty::Max, 1000.0F);
    linea_ = 880 + off;
    ui_.setProgress(ProgressProperty::Value, 0.0F);
    linea_ = 890 + off;
    ui_.setCaption(Control::lbProgr, PhaseCaption(table));
    linea_ = 900 + off;
    ui_.pumpEvents();
}

void ProgressReport::rowInserted(CodeTable table)
{
    const int off = LineOffset(table);
    linea_ = 980 + off;
    counter_ = Checked(qint64(counter_) + 1);
    linea_ = 990 + off;
    ui_.setCaption(Control::lbProgr, RowCaption(table, counter_, rowCount_));
    linea_ = 1000 + off;
    if (counter_ % 10 == 0)
        ui_.pumpEvents();
    linea_ = 1010 + off;
    ui_.setProgress(ProgressProperty::Value, BarValue(counter_, rowCount_));
}

void ProgressReport::tableFinished(CodeTable table)
{
    linea_ = 1050 + LineOffset(table);
    ui_.setProgress(ProgressProperty::Value, 1000.0F);
}

void ProgressReport::rowFailed(CodeTable table, std::int32_t rowsBefore)
{
    counter_ = rowsBefore;
    ui_.setCaption(Control::lbProgr, counter_ == 0 ? PhaseCaption(table) : RowCaption(table, counter_, rowCount_));
    ui_.setProgress(ProgressProperty::Value, counter_ == 0 ? 0.0F : BarValue(counter_, rowCount_));
}

#include "update/decimal_text.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(AppendDecimal, WritesWhatQStringNumberWritesAfterWhatIsThere)
{
    for (const qint64 value :
         {qint64(0), qint64(7), qint64(-1), qint64(10), qint64(-10), qint64(99999), qint64(1000000), qint64(2147483647),
          qint64(-2147483648LL), std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min()}) {
        QString text = QStringLiteral("(12 di ");
        AppendDecimal(text, value);
        EXPECT_EQ(text, QStringLiteral("(12 di ") + QString::number(value)) << value;
    }
}

}  // namespace

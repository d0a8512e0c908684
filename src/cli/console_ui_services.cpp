#include "cli/console_ui_services.h"

#include <unistd.h>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

QTextStream& Err()
{
    static QTextStream stream(stderr);
    return stream;
}

QString ReadLine()
{
    static QTextStream in(stdin);
    return in.readLine();  // a null string at the end of the input
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compared without a copy: the progress caption changes with every row.
// What the two have in common at their start holds the same characters in
// both, digits or not, so the comparison starts where they part.
bool DifferOnlyInDigits(QStringView a, QStringView b)
{
    const qsizetype common = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    qsizetype i = common;
    qsizetype j = common;
    for (;;) {
        while (i < a.size() && IsDigit(a[i]))
            ++i;
        while (j < b.size() && IsDigit(b[j]))
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i] != b[j])
            return false;
        ++i;
        ++j;
    }
}

}  // namespace

// Asked once: the progress caption changes with every row.
ConsoleUiServices::ConsoleUiServices(bool showProgress, bool alwaysYes)
    : showProgress_(showProgress), alwaysYes_(alwaysYes), toTerminal_(isatty(fileno(stderr)) != 0)
{
}

ConsoleUiServices::~ConsoleUiServices()
{
    endProgressLine();
}

void ConsoleUiServices::endProgressLine()
{
    if (progressLineOpen_)
        Err() << '\n' << Qt::flush;
    progressLineOpen_ = false;
}

MsgAnswer ConsoleUiServices::messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                                        const QString& title)
{
    endProgressLine();
    if (icon == MsgIcon::Critical)
        ++criticalBoxes_;
    Err() << '[' << title << "] " << text << '\n';
    if (buttons == MsgButtons::Ok) {
        Err() << Qt::flush;
        return MsgAnswer::Ok;
    }
    Err() << (defaultButton == MsgDefault::First ? "[S/n] " : "[s/N] ") << Qt::flush;
    if (alwaysYes_) {
        Err() << "s\n" << Qt::flush;
        return MsgAnswer::Yes;
    }
    const QString answer = ReadLine().trimmed().toLower();
    if (answer.isNull())
        return MsgAnswer::No;  // nobody to answer: the safe choice
    if (answer.isEmpty())
        return defaultButton == MsgDefault::First ? MsgAnswer::Yes : MsgAnswer::No;
    return answer.startsWith(QLatin1Char('s')) ? MsgAnswer::Yes : MsgAnswer::No;
}

QString ConsoleUiServices::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    endProgressLine();
    Err() << '[' << title << "] " << prompt << " [" << defaultText << "] " << Qt::flush;
    const QString answer = ReadLine();
    if (answer.isNull())
        return {};
    return answer.isEmpty() ? defaultText : answer;
}

void ConsoleUiServices::setCaption(Control control, const QString& caption)
{
    const QString previous = captions_.value(control);
    captions_[control] = caption;
    if (!showProgress_ || control != Control::lbProgr)
        return;
    // Captions that differ only in their numbers are the row progress of one
    // phase: on a terminal they overwrite each other, in a log only the
    // phase's first one is kept.
    const bool samePhase = DifferOnlyInDigits(previous, caption);
    if (samePhase && !toTerminal_)
        return;
    if (samePhase && progressLineOpen_)
        Err() << '\r';
    else
        endProgressLine();
    Err() << caption << (toTerminal_ ? "\x1b[K" : "") << Qt::flush;
    progressLineOpen_ = true;
}

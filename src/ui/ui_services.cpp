#include "ui/ui_services.h"

int MsgBoxStyle(MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton)
{
    int style = buttons == MsgButtons::YesNo ? 4 : 0;
    switch (icon) {
        case MsgIcon::Critical: style += 16; break;
        case MsgIcon::Question: style += 32; break;
        case MsgIcon::Exclamation: style += 48; break;
        case MsgIcon::Information: style += 64; break;
    }
    if (defaultButton == MsgDefault::Second)
        style += 256;
    return style;
}

QString ControlName(Control control)
{
    switch (control) {
        case Control::fmAgab: return QStringLiteral("fmAgab");
        case Control::Frame1: return QStringLiteral("Frame1");
        case Control::Label1: return QStringLiteral("Label1");
        case Control::lbProgr: return QStringLiteral("lbProgr");
        case Control::pbProgr: return QStringLiteral("pbProgr");
        case Control::cmdOK: return QStringLiteral("cmdOK");
        case Control::cmdCancel: return QStringLiteral("cmdCancel");
        case Control::cmdProfilo: return QStringLiteral("cmdProfilo");
    }
    return {};
}

#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

// Answers the modal boxes of the code under test as a user would: it watches
// for each new box, notes what the box shows, and carries out the next
// scripted action on it (a click, a typed text). A box that finds no action
// left fails the test and is dismissed, so that a test never hangs.
class ModalBoxes : public QObject {
public:
    // What a box showed: its title, its text (the prompt of an input box),
    // the icon, the captions of its buttons and of the default one, and the
    // text an input box proposed.
    struct Seen {
        QString title;
        QString text;
        int icon = 0;
        QStringList buttons;
        QString defaultButton;
        QString proposed;
        bool plainText = false;
    };

    ModalBoxes();

    // The next box gets `action`, called with the box.
    void then(std::function<void(QWidget*)> action) { actions_.push_back(std::move(action)); }

    // Common actions: press the button with this caption; type into an
    // input box and press Enter; press an input box's "Annulla".
    static std::function<void(QWidget*)> press(const QString& caption);
    static std::function<void(QWidget*)> type(const QString& text);
    static std::function<void(QWidget*)> cancel();

    const std::vector<Seen>& seen() const { return seen_; }
    bool allAnswered() const { return actions_.empty(); }

private:
    void look();

    QTimer timer_;
    std::deque<std::function<void(QWidget*)>> actions_;
    std::vector<Seen> seen_;
};

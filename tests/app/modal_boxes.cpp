#include "modal_boxes.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

// The label that shows `text` in a box is told to take it as plain text.
bool ShowsAsPlainText(QWidget* box, const QString& text)
{
    for (auto* label : box->findChildren<QLabel*>()) {
        if (label->text() == text)
            return label->textFormat() == Qt::PlainText;
    }
    return false;
}

QAbstractButton* ButtonWithCaption(QWidget* box, const QString& caption)
{
    for (auto* button : box->findChildren<QAbstractButton*>()) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

}  // namespace

ModalBoxes::ModalBoxes()
{
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalBoxes::look);
    timer_.start();
}

void ModalBoxes::look()
{
    QWidget* box = QApplication::activeModalWidget();
    if (!box || !box->isVisible() || box->property("seen").toBool()
        || !(qobject_cast<QMessageBox*>(box) || qobject_cast<QInputDialog*>(box)))
        return;
    box->setProperty("seen", true);

    Seen seen;
    seen.title = box->windowTitle();
    if (auto* message = qobject_cast<QMessageBox*>(box)) {
        seen.text = message->text();
        seen.icon = message->icon();
        for (auto* button : message->buttons())
            seen.buttons.append(button->text());
        if (message->defaultButton())
            seen.defaultButton = message->defaultButton()->text();
    } else {
        auto* input = qobject_cast<QInputDialog*>(box);
        seen.text = input->labelText();
        seen.proposed = input->textValue();
        for (auto* button : input->findChild<QDialogButtonBox*>()->buttons())
            seen.buttons.append(button->text());
    }
    seen.plainText = ShowsAsPlainText(box, seen.text);
    seen_.push_back(seen);

    if (actions_.empty()) {
        ADD_FAILURE() << "unexpected box: " << seen.text.toStdString();
        qobject_cast<QDialog*>(box)->reject();
        return;
    }
    auto action = std::move(actions_.front());
    actions_.pop_front();
    QPointer<QWidget> guard(box);
    action(box);
    if (guard && guard->isVisible()) {
        ADD_FAILURE() << "the box stayed open: " << seen.text.toStdString();
        qobject_cast<QDialog*>(box)->reject();
    }
}

std::function<void(QWidget*)> ModalBoxes::press(const QString& caption)
{
    return [caption](QWidget* box) {
        QAbstractButton* button = ButtonWithCaption(box, caption);
        ASSERT_NE(button, nullptr) << "no button " << caption.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    };
}

std::function<void(QWidget*)> ModalBoxes::type(const QString& text)
{
    return [text](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

std::function<void(QWidget*)> ModalBoxes::cancel()
{
    return press(QStringLiteral("Annulla"));
}

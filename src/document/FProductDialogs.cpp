#include "document/FProductDialogs.h"
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace velmo {

namespace {
TAskFunction& QuestionHandler()
{
    static TAskFunction handler;
    return handler;
}
} // namespace

void SetQuestionHandler(TAskFunction handler)
{
    QuestionHandler() = std::move(handler);
}

int AskQuestion(QWidget* parent, const QString& text, TQuestionButtons buttons)
{
    if (QuestionHandler())
        return QuestionHandler()(parent, text, buttons);
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text, QMessageBox::NoButton,
                    parent);
    if (buttons == TQuestionButtons::OkCancel) {
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == ok ? mrOk : mrCancel;
    }
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return mrYes;
    if (box.clickedButton() == no)
        return mrNo;
    return mrCancel;
}

} // namespace velmo

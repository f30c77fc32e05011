#include "app/FMessage.h"
#include "app/FAppForms.h"
#include <QApplication>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

namespace velmo {

namespace {

constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 30;
constexpr int kButtonSpacing = 16;

// Answers a harness gave for the windows to come (SetScriptedMessageAnswers).
QStringList& ScriptedAnswers()
{
    static QStringList answers;
    return answers;
}

QString NextTestAnswer()
{
    QStringList& answers = ScriptedAnswers();
    if (answers.isEmpty())
        return QString();
    return answers.size() > 1 ? answers.takeFirst() : answers.first();
}

} // namespace

void SetScriptedMessageAnswers(const QStringList& answers)
{
    ScriptedAnswers() = answers;
}

TMessageButtonPlans PlanMessageButtons(const TButtonKinds& kinds, int defaultIndex, int cancelIndex)
{
    TMessageButtonPlans plans;
    for (int i = 0; i < 3; ++i) {
        TMessageButtonPlan& plan = plans[i];
        plan.Visible = i < kinds.size();
        if (!plan.Visible)
            continue;
        plan.Kind = kinds[i];
        plan.Caption = CaptionOfKind(plan.Kind);
        plan.Glyph = plan.Kind == bkOK || plan.Kind == bkYes;
        plan.ModalResult = ModalResultOfKind(plan.Kind);
    }
    if (defaultIndex >= 0 && defaultIndex < 3)
        plans[defaultIndex].Default = true;
    if (cancelIndex >= 0 && cancelIndex < 3)
        plans[cancelIndex].Cancel = true;
    if (!plans[2].Visible) {
        plans[0].Caption = QStringLiteral("はい");
        plans[1].Caption = QStringLiteral("いいえ");
    }
    return plans;
}

TfrmMessage::TfrmMessage(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QGuiApplication::applicationDisplayName());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);

    FPanel = new QFrame(this);
    FPanel->setObjectName(QStringLiteral("pnlMessage"));
    FPanel->setFrameShape(QFrame::StyledPanel);
    FPanel->setAutoFillBackground(true);
    auto* shadow = new QGraphicsDropShadowEffect(FPanel);
    shadow->setBlurRadius(8);
    shadow->setOffset(4, 4);
    FPanel->setGraphicsEffect(shadow);
    auto* panelLayout = new QVBoxLayout(FPanel);
    panelLayout->setContentsMargins(24, 18, 24, 18);
    FText = new QLabel(FPanel);
    FText->setObjectName(QStringLiteral("lblMessage"));
    FText->setAlignment(Qt::AlignCenter);
    FText->setTextFormat(Qt::PlainText);
    FText->setMinimumWidth(280);
    panelLayout->addWidget(FText);
    layout->addWidget(FPanel, 1);

    auto* row = new QHBoxLayout;
    row->setSpacing(kButtonSpacing);
    row->addStretch(1);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("btn%1").arg(i + 1));
        button->setMinimumWidth(kButtonWidth);
        button->setFixedHeight(kButtonHeight);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (FPlans[i].ModalResult != mrNone)
                done(FPlans[i].ModalResult);
        });
        FButtons[i] = button;
        row->addWidget(button);
    }
    row->addStretch(1);
    layout->addLayout(row);
    ApplyDialogPattern(this);
}

void TfrmMessage::Setup(const QString& text, const TButtonKinds& kinds, int defaultIndex, int cancelIndex)
{
    setWindowTitle(QGuiApplication::applicationDisplayName());
    // The messages of the table break lines with CR LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FText->setText(shown);
    FPlans = PlanMessageButtons(kinds, defaultIndex, cancelIndex);
    for (int i = 0; i < 3; ++i) {
        QPushButton* button = FButtons[i];
        const TMessageButtonPlan& plan = FPlans[i];
        button->setVisible(plan.Visible);
        button->setText(plan.Caption);
        button->setIcon(!plan.Glyph          ? QIcon()
                        : plan.Kind == bkYes ? style()->standardIcon(QStyle::SP_DialogYesButton)
                                             : style()->standardIcon(QStyle::SP_DialogOkButton));
        button->setDefault(plan.Default && plan.Visible);
        button->setAutoDefault(plan.Default && plan.Visible);
    }
    if (QPushButton* button = DefaultButton())
        button->setFocus();
    adjustSize();
}

QPushButton* TfrmMessage::CancelButton() const
{
    for (int i = 0; i < 3; ++i)
        if (FPlans[i].Cancel && FPlans[i].Visible)
            return FButtons[i];
    return nullptr;
}

QPushButton* TfrmMessage::DefaultButton() const
{
    for (int i = 0; i < 3; ++i)
        if (FPlans[i].Default && FPlans[i].Visible)
            return FButtons[i];
    return nullptr;
}

void TfrmMessage::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (QPushButton* button = CancelButton())
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmMessage::reject()
{
    // Closing the window is a cancel; Escape without a cancel button is handled above.
    done(mrCancel);
}

int TfrmMessage::Execute(const QString& text, const TButtonKinds& kinds, int defaultIndex, int cancelIndex)
{
    const QString answer = NextTestAnswer();
    if (!ScreenCanShowWindows()) {
        // No window can be drawn: the text goes to the terminal and the question
        // takes its default answer (or the one a test asked for).
        const TMessageButtonPlans plans = PlanMessageButtons(kinds, defaultIndex, cancelIndex);
        QTextStream(stderr) << QGuiApplication::applicationDisplayName() << ": "
                            << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                            << Qt::endl;
        int chosen = defaultIndex;
        if (answer.startsWith(QLatin1String("button:")))
            chosen = answer.mid(7).toInt();
        else if (!answer.isEmpty())
            chosen = cancelIndex >= 0 && cancelIndex < 3 && plans[cancelIndex].Visible ? cancelIndex
                                                                                       : defaultIndex;
        if (chosen >= 0 && chosen < 3 && plans[chosen].Visible)
            return plans[chosen].ModalResult;
        return mrCancel;
    }
    if (QWidget* main = MainForm()) {
        main->raise();
        main->activateWindow();
    }
    TfrmMessage form(MainForm());
    form.Setup(text, kinds, defaultIndex, cancelIndex);
    PrepareForm(&form);

    if (!answer.isEmpty()) {
        QTextStream(stderr) << "velmo message: "
                            << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))
                            << Qt::endl;
        QTimer::singleShot(50, &form, [&form, answer] {
            if (answer.startsWith(QLatin1String("button:"))) {
                const int index = answer.mid(7).toInt();
                if (index >= 0 && index < 3 && form.Button(index)->isVisible())
                    form.Button(index)->click();
                return;
            }
            const int key = form.CancelButton() ? Qt::Key_Escape : Qt::Key_Return;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(form.focusWidget() ? form.focusWidget() : &form, &press);
        });
    }
    return form.exec();
}

void InstallStandardMessageBox()
{
    SetStandardMessageBox(
        [](const QString& text, const TButtonKinds& kinds, int defaultIndex, int cancelIndex) {
            QMessageBox box(QMessageBox::Information, QGuiApplication::applicationDisplayName(), text);
            std::vector<std::pair<QAbstractButton*, int>> results;
            for (int i = 0; i < kinds.size(); ++i) {
                QMessageBox::StandardButton standard = QMessageBox::NoButton;
                switch (kinds[i]) {
                case bkOK:
                    standard = QMessageBox::Ok;
                    break;
                case bkCancel:
                    standard = QMessageBox::Cancel;
                    break;
                case bkHelp:
                    standard = QMessageBox::Help;
                    break;
                case bkYes:
                    standard = QMessageBox::Yes;
                    break;
                case bkNo:
                    standard = QMessageBox::No;
                    break;
                case bkClose:
                    standard = QMessageBox::Close;
                    break;
                case bkAbort:
                    standard = QMessageBox::Abort;
                    break;
                case bkRetry:
                    standard = QMessageBox::Retry;
                    break;
                case bkIgnore:
                    standard = QMessageBox::Ignore;
                    break;
                case bkAll:
                    standard = QMessageBox::YesToAll;
                    break;
                case bkCustom:
                    break;
                }
                if (standard == QMessageBox::NoButton)
                    continue;
                QAbstractButton* button = box.addButton(standard);
                results.emplace_back(button, ModalResultOfKind(kinds[i]));
                if (i == defaultIndex)
                    box.setDefaultButton(static_cast<QPushButton*>(button));
                if (i == cancelIndex)
                    box.setEscapeButton(button);
            }
            box.exec();
            for (const auto& [button, result] : results)
                if (box.clickedButton() == button)
                    return result;
            return mrCancel;
        });
}

} // namespace velmo

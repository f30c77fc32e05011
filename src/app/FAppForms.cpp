#include "app/FAppForms.h"
#include "app/UAppFrame.h"
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace velmo {

namespace {

QPointer<QWidget>& MainFormPointer()
{
    static QPointer<QWidget> form;
    return form;
}

QPixmap& Pattern()
{
    static QPixmap pattern;
    return pattern;
}

QScreen* ScreenOf(const QWidget* form)
{
    QScreen* screen = form ? form->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

// A rectangle moved back inside the area where it sticks out (left and top last, so
// that a window larger than the area shows its top-left corner).
QRect KeptInside(QRect rect, const QRect& area)
{
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}

QString FormName(const QWidget* form)
{
    return form->objectName();
}

} // namespace

QWidget* MainForm()
{
    return MainFormPointer();
}

void SetMainForm(QWidget* form)
{
    MainFormPointer() = form;
}

bool ScreenCanShowWindows()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    return QGuiApplication::platformName() != QLatin1String("xcb") || screen->depth() > 8;
}

QPixmap DialogPattern()
{
    return Pattern();
}

void SetDialogPattern(const QPixmap& pattern)
{
    Pattern() = pattern;
}

void ApplyDialogPattern(QWidget* form)
{
    if (!form || Pattern().isNull())
        return;
    QPalette palette = form->palette();
    palette.setBrush(QPalette::Window, QBrush(Pattern()));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

void SaveFormPlacement(QWidget* form)
{
    if (!form || FormName(form).isEmpty())
        return;
    QRect rect = form->normalGeometry();
    if (!rect.isValid() || !(form->isMaximized() || form->isMinimized() || form->isFullScreen()))
        rect = form->geometry();
    const QString name = FormName(form);
    WriteSettingInteger(name + QStringLiteral("Left"), rect.x());
    WriteSettingInteger(name + QStringLiteral("Top"), rect.y());
    WriteSettingInteger(name + QStringLiteral("Width"), rect.width());
    WriteSettingInteger(name + QStringLiteral("Height"), rect.height());
}

void RestoreFormPlacement(QWidget* form, int defaultWidth, int defaultHeight)
{
    if (!form)
        return;
    const QScreen* screen = ScreenOf(form);
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int width = qMin(screenRect.width(), defaultWidth);
    const int height = qMin(screenRect.height(), defaultHeight);
    const QString name = FormName(form);
    QRect rect(
        ReadSettingInteger(name + QStringLiteral("Left"), screenRect.x() + (screenRect.width() - width) / 2),
        ReadSettingInteger(name + QStringLiteral("Top"), screenRect.y() + (screenRect.height() - height) / 2),
        ReadSettingInteger(name + QStringLiteral("Width"), width),
        ReadSettingInteger(name + QStringLiteral("Height"), height));
    // Stored values from another screen arrangement must not lose the window.
    if (rect.width() < 16 || rect.height() < 16)
        rect.setSize(QSize(width, height));
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens())
        visible = visible || s->availableGeometry().intersects(rect);
    if (!visible)
        rect.moveCenter(screenRect.center());
    form->setGeometry(rect);
}

void PrepareForm(QWidget* form, bool designedPosition)
{
    if (!form)
        return;
    ExpandComponentMacros(form);
    if (!designedPosition)
        return;
    QWidget* main = MainForm();
    if (form == main) {
        RestoreFormPlacement(form, 800, 600);
        return;
    }
    const QScreen* screen = ScreenOf(main ? main : form);
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect over = main ? main->frameGeometry() : area;
    QRect rect(QPoint(0, 0), form->size());
    rect.moveCenter(over.center());
    form->move(KeptInside(rect, area).topLeft());
    ApplyDialogPattern(form);
}

} // namespace velmo

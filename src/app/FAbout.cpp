#include "app/FAbout.h"
#include "app/UAppFrame.h"
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

namespace velmo {

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 300;
} // namespace

TfrmAbout::TfrmAbout(bool splash, bool staffRoll, QWidget* parent) : QDialog(parent), FStaffRoll(staffRoll)
{
    setObjectName(splash ? QStringLiteral("frmSplash") : QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_DeleteOnClose);
    if (splash)
        QTimer::singleShot(2000, this, &QDialog::close);
    if (FStaffRoll) {
        FRollTimer = new QTimer(this);
        FRollTimer->setInterval(100);
        connect(FRollTimer, &QTimer::timeout, this, [this] {
            // The picture fades first, then the names climb through it.
            if (FDarkness < 160) {
                FDarkness += 20;
            } else {
                FRollOffset += 4;
                if (FRollOffset > kHeight + 28 * StaffRoll().size())
                    FRollOffset = 0;
            }
            update();
        });
        FRollTimer->start();
    }
}

QStringList TfrmAbout::StaffRoll()
{
    return {QStringLiteral("ベルモ 制作スタッフ"), QString(), QStringLiteral("企画・設計"),
            QStringLiteral("ベルモ開発チーム"),    QString(), QStringLiteral("プログラム"),
            QStringLiteral("ベルモ開発チーム"),    QString(), QStringLiteral("用紙データ"),
            QStringLiteral("ベルモ用紙情報係"),    QString(), QStringLiteral("イラスト・デザイン"),
            QStringLiteral("ベルモ デザイン室"),   QString(), QStringLiteral("使ってくださる皆さまへ"),
            QStringLiteral("ありがとうございます")};
}

void TfrmAbout::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, kHeight);
    ground.setColorAt(0, QColor(0x2f, 0x6f, 0xb8));
    ground.setColorAt(1, QColor(0x9c, 0xd0, 0xf0));
    p.fillRect(rect(), ground);
    // A sheet of round labels, one of them peeled off: the product's picture.
    p.setPen(QPen(QColor(0x60, 0x80, 0xa0), 1));
    p.setBrush(Qt::white);
    const QRectF sheet(300, 40, 130, 180);
    p.drawRoundedRect(sheet, 4, 4);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col) {
            const QRectF face(sheet.left() + 10 + col * 60, sheet.top() + 10 + row * 56, 50, 50);
            p.setBrush(row == 1 && col == 1 ? QColor(0xf0, 0xf0, 0xf0) : QColor(0xff, 0xe4, 0x8c));
            p.drawEllipse(face);
        }
    p.setBrush(QColor(0xff, 0xc8, 0x40));
    p.drawEllipse(QRectF(260, 150, 64, 64));
    p.setPen(Qt::white);
    QFont title = font();
    title.setPixelSize(56);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(28, 60, 260, 80), Qt::AlignLeft | Qt::AlignVCenter,
               ExpandMacros(QStringLiteral("$(AppName)")));
    QFont small = font();
    small.setPixelSize(15);
    p.setFont(small);
    p.drawText(QRect(30, 140, 260, 24), Qt::AlignLeft, QStringLiteral("ラベルデザイン・印刷ソフト"));
    p.drawText(QRect(30, 236, 400, 22), Qt::AlignLeft,
               QStringLiteral("バージョン %1").arg(ExpandMacros(QStringLiteral("$(LongVer)"))));
    p.drawText(QRect(30, 260, 400, 22), Qt::AlignLeft, QStringLiteral("クリックまたはキーで閉じます"));
    if (FDarkness > 0)
        p.fillRect(rect(), QColor(0, 0, 0, FDarkness));
    if (FStaffRoll && FDarkness >= 160) {
        p.setPen(Qt::white);
        p.setFont(small);
        const QStringList lines = StaffRoll();
        for (int i = 0; i < lines.size(); ++i) {
            const int y = kHeight - FRollOffset + i * 28;
            if (y > -28 && y < kHeight + 28)
                p.drawText(QRect(0, y, kWidth, 26), Qt::AlignCenter, lines[i]);
        }
    }
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    // In the middle of the screen the main window is on (as a splash, before the
    // window has its place, the primary screen's).
    const QWidget* over = parentWidget() && parentWidget()->isVisible() ? parentWidget() : nullptr;
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    QDialog::showEvent(event);
}

void TfrmAbout::mousePressEvent(QMouseEvent*)
{
    close();
}

void TfrmAbout::keyPressEvent(QKeyEvent*)
{
    close();
}

} // namespace velmo

// A drawn icon engine: the symbol is painted afresh at every device size, never scaled.
#include "ui/TrayIcon.h"

#include <QIconEngine>
#include <QPainter>

#include "ui/Icons.h"

namespace vantrel {
namespace {

constexpr const char* kThemeName = "vantrel-symbolic";

class DrawnTrayIconEngine final : public QIconEngine {
  public:
    DrawnTrayIconEngine(QColor ink, QColor halo) : ink_(ink), halo_(halo) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal scale =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
        QPixmap drawn = pixmap(rect.size() * scale, mode, state);
        drawn.setDevicePixelRatio(scale);
        painter->drawPixmap(rect, drawn);
    }

    // `size` is in device pixels: QIcon asks for the point size times the scale, so the symbol
    // is drawn at the resolution it is shown at.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = std::max(1, std::min(size.width(), size.height()));
        QColor ink = ink_;
        if (mode == QIcon::Disabled) ink.setAlphaF(0.45f);
        // The halo: the symbol in the background colour, one device pixel out on each side.
        const QPixmap halo = icons::symbolPixmap("rectangle.3.group", side, halo_);
        QPixmap out(side, side);
        out.fill(Qt::transparent);
        {
            QPainter p(&out);
            p.setOpacity(0.6);
            for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
                p.drawPixmap(offset, halo);
            p.setOpacity(1);
            p.drawPixmap(0, 0, icons::symbolPixmap("rectangle.3.group", side, ink));
        }
        return out;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QString key() const override { return QStringLiteral("vantrel-drawn-tray"); }
    QIconEngine* clone() const override { return new DrawnTrayIconEngine(ink_, halo_); }

  private:
    QColor ink_;
    QColor halo_;
};

}  // namespace

QColor trayInk(const QColor& background) {
    return background.lightnessF() < 0.5 ? QColor(0xF2, 0xF2, 0xF2) : QColor(0x24, 0x24, 0x24);
}

QIcon trayIcon(const QPalette& panel) {
    // Themes ship symbolic icons recoloured to the panel; only one that really draws is taken.
    if (QIcon::hasThemeIcon(QString::fromLatin1(kThemeName))) {
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(kThemeName));
        if (!themed.pixmap(22).isNull()) return themed;
    }
    const QColor background = panel.color(QPalette::Window);
    return QIcon(new DrawnTrayIconEngine(trayInk(background), background));
}

}  // namespace vantrel

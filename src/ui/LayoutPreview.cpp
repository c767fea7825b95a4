// The preview's geometry, apart from its drawing, and the drawing.
#include "ui/LayoutPreview.h"

#include <QIcon>
#include <QPainter>
#include <algorithm>

#include "ui/Icons.h"
#include "ui/Style.h"

namespace vantrel {

PreviewPlan planPreview(const WindowLayout& layout, QSizeF area, double margin) {
    PreviewPlan plan;
    std::vector<QRectF> displays;
    double mainHeight = 0;
    if (layout.displayConfiguration) {
        for (const auto& display : layout.displayConfiguration->displays)
            if (display.isMain) mainHeight = display.frameHeight;
        if (mainHeight == 0 && !layout.displayConfiguration->displays.empty())
            mainHeight = layout.displayConfiguration->displays.front().frameHeight;
        for (const auto& display : layout.displayConfiguration->displays)
            displays.emplace_back(display.frameX,
                                  mainHeight - (display.frameY + display.frameHeight),
                                  display.frameWidth, display.frameHeight);
    }
    QRectF extent;
    for (const auto& rect : displays) extent = extent.united(rect);
    for (const auto& window : layout.windows)
        extent = extent.united(
            QRectF(window.frameX, window.frameY, window.frameWidth, window.frameHeight));
    if (extent.width() <= 0 || extent.height() <= 0) return plan;
    const double scale = std::min((area.width() - 2 * margin) / extent.width(),
                                  (area.height() - 2 * margin) / extent.height());
    if (scale <= 0) return plan;
    const QPointF offset((area.width() - extent.width() * scale) / 2,
                         (area.height() - extent.height() * scale) / 2);
    const auto place = [&](const QRectF& rect) {
        return QRectF(offset + (rect.topLeft() - extent.topLeft()) * scale, rect.size() * scale);
    };
    for (std::size_t i = 0; i < displays.size(); ++i)
        plan.displays.push_back(
            {place(displays[i]), {}, {}, layout.displayConfiguration->displays[i].isMain, false});
    for (auto it = layout.windows.rbegin(); it != layout.windows.rend(); ++it)
        plan.windows.push_back(
            {place(QRectF(it->frameX, it->frameY, it->frameWidth, it->frameHeight)),
             QString::fromStdString(it->appName), QString::fromStdString(it->appBundleID), false,
             it->isMinimized});
    return plan;
}

LayoutPreview::LayoutPreview(WindowLayout layout, QWidget* parent)
    : QWidget(parent), layout_(std::move(layout)) {
    setObjectName("layoutPreview");
    setMinimumHeight(120);
    setToolTip(QStringLiteral("Where each window goes when this layout is restored"));
}

void LayoutPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const PreviewPlan plan = planPreview(layout_, size());
    for (const auto& display : plan.displays) {
        painter.setPen(QPen(style::secondary(), display.main ? 1.5 : 1));
        QColor fill = style::secondary();
        fill.setAlphaF(0.12f);
        painter.setBrush(fill);
        painter.drawRoundedRect(display.rect, 3, 3);
    }
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    for (const auto& window : plan.windows) {
        QColor fill = style::windowBackground();
        painter.setPen(QPen(style::accent(), 1, window.minimized ? Qt::DashLine : Qt::SolidLine));
        painter.setBrush(fill);
        painter.drawRoundedRect(window.rect, 2, 2);
        // The application's icon and name, as far as the rectangle allows.
        const QRectF inner = window.rect.adjusted(3, 2, -3, -2);
        const int iconSize = static_cast<int>(std::min({16.0, inner.height(), inner.width()}));
        double textLeft = inner.left();
        if (iconSize >= 8) {
            QIcon icon = QIcon::fromTheme(window.appId);
            const QPixmap pixmap = icon.isNull()
                                       ? icons::symbolPixmap("app.fill", iconSize, style::accent())
                                       : icon.pixmap(iconSize, iconSize);
            painter.drawPixmap(QPointF(inner.left(), inner.top()), pixmap);
            textLeft += iconSize + 3;
        }
        const QRectF textRect(textLeft, inner.top(), inner.right() - textLeft, 14);
        if (textRect.width() > 12) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(window.label, Qt::ElideRight,
                                                              static_cast<int>(textRect.width())));
        }
    }
}

}  // namespace vantrel

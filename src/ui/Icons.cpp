// Drawn icons and the symbol-to-theme table.
#include "ui/Icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <array>
#include <utility>

#include "engine/PresetLayoutService.h"
#include "ui/Style.h"

namespace vantrel::icons {
namespace {

struct ThemeEntry {
    std::string_view symbol;
    const char* theme;
    const char* glyph;  // drawn when the theme lacks the icon
};

// Symbols without a theme entry here ("rectangle.3.group", the Space chips) are always drawn.
constexpr std::array<ThemeEntry, 22> kThemeTable{{
    {"lock.shield.fill", "security-high", "\u26BF"},
    {"macwindow.on.rectangle", "window-new", "\u25A3"},
    {"keyboard", "input-keyboard", "\u2328"},
    {"display", "video-display", "\u25AD"},
    {"display.2", "video-display", "\u25AD"},
    {"plus.circle.fill", "list-add", "+"},
    {"plus.circle", "list-add", "+"},
    {"chevron.up", "go-up", "\u25B4"},
    {"chevron.down", "go-down", "\u25BE"},
    {"arrow.counterclockwise", "view-refresh", "\u21BA"},
    {"ellipsis.circle", "view-more", "\u2026"},
    {"xmark.circle.fill", "edit-clear", "\u2715"},
    {"checkmark.circle.fill", "emblem-ok", "\u2713"},
    {"gear", "preferences-system", "\u2699"},
    {"info.circle", "help-about", "i"},
    {"app.fill", "application-x-executable", "\u25A0"},
    {"arrow.up.left.and.arrow.down.right", "view-fullscreen", "\u2922"},
    {"rectangle.split.2x2", "", ""},
    {"square.stack.3d.up", "", ""},
    {"square.stack.3d.forward.dottedline", "", ""},
    {"rectangle.3.group", "", ""},
    {"rectangle.3.group.fill", "", ""},
}};

const ThemeEntry* findEntry(std::string_view name) {
    for (const auto& entry : kThemeTable)
        if (entry.symbol == name) return &entry;
    return nullptr;
}

QColor foreground() {
    return QApplication::palette().color(QPalette::WindowText);
}

QPixmap blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap tint(QPixmap pixmap, const QColor& color) {
    if (!color.isValid()) return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

// Three overlapping window outlines: the layout symbol and the app's mark.
void drawGroup(QPainter& p, double s, const QColor& color, bool filled) {
    p.setRenderHint(QPainter::Antialiasing);
    const double line = std::max(1.0, s / 14.0);
    p.setPen(QPen(color, line));
    const std::array<QRectF, 3> rects{QRectF(s * 0.08, s * 0.12, s * 0.5, s * 0.42),
                                      QRectF(s * 0.42, s * 0.12, s * 0.5, s * 0.42),
                                      QRectF(s * 0.2, s * 0.5, s * 0.6, s * 0.38)};
    for (const auto& rect : rects) {
        if (filled) {
            QColor fill = color;
            fill.setAlphaF(0.35f);
            p.setBrush(fill);
        } else {
            p.setBrush(Qt::NoBrush);
        }
        p.drawRoundedRect(rect, s * 0.06, s * 0.06);
    }
}

// Cards stacked one behind the other: the Space chips' symbols.
void drawStack(QPainter& p, double s, const QColor& color, bool dotted) {
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max(1.0, s / 14.0));
    for (int i = 2; i >= 0; --i) {
        pen.setStyle(dotted && i > 0 ? Qt::DotLine : Qt::SolidLine);
        p.setPen(pen);
        const double d = i * s * 0.12;
        p.drawRoundedRect(QRectF(s * 0.15 + d, s * 0.45 - d, s * 0.55, s * 0.4), 2, 2);
    }
}

void drawGrid(QPainter& p, double s, const QColor& color) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, std::max(1.0, s / 14.0)));
    const QRectF outer(s * 0.1, s * 0.15, s * 0.8, s * 0.7);
    p.drawRoundedRect(outer, s * 0.08, s * 0.08);
    p.drawLine(QPointF(outer.center().x(), outer.top()),
               QPointF(outer.center().x(), outer.bottom()));
    p.drawLine(QPointF(outer.left(), outer.center().y()),
               QPointF(outer.right(), outer.center().y()));
}

// A filled shield with a padlock cut out of it. Drawn, not a glyph: common fonts lack one.
void drawShield(QPainter& p, double s, const QColor& color) {
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.06);
    shield.lineTo(s * 0.86, s * 0.2);
    shield.lineTo(s * 0.86, s * 0.48);
    shield.cubicTo(s * 0.86, s * 0.72, s * 0.68, s * 0.87, s * 0.5, s * 0.95);
    shield.cubicTo(s * 0.32, s * 0.87, s * 0.14, s * 0.72, s * 0.14, s * 0.48);
    shield.lineTo(s * 0.14, s * 0.2);
    shield.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(shield);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawRoundedRect(QRectF(s * 0.35, s * 0.45, s * 0.3, s * 0.24), s * 0.03, s * 0.03);
    p.setPen(QPen(Qt::black, std::max(1.0, s / 16.0)));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s * 0.4, s * 0.3, s * 0.2, s * 0.28), 0, 180 * 16);
    p.drawLine(QPointF(s * 0.4, s * 0.44), QPointF(s * 0.4, s * 0.47));
    p.drawLine(QPointF(s * 0.6, s * 0.44), QPointF(s * 0.6, s * 0.47));
}

void drawGlyph(QPainter& p, double s, const QColor& color, const QString& glyph) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(color);
    QFont font = p.font();
    font.setPixelSize(std::max(6, static_cast<int>(s * 0.8)));
    p.setFont(font);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, glyph);
}

QPixmap drawnSymbol(std::string_view name, int size, const QColor& color) {
    QPixmap pixmap = blank(size);
    QPainter painter(&pixmap);
    const double s = size;
    if (name == "rectangle.3.group") {
        drawGroup(painter, s, color, false);
    } else if (name == "rectangle.3.group.fill") {
        drawGroup(painter, s, color, true);
    } else if (name == "rectangle.split.2x2") {
        drawGrid(painter, s, color);
    } else if (name == "lock.shield.fill") {
        drawShield(painter, s, color);
    } else if (name == "square.stack.3d.up") {
        drawStack(painter, s, color, false);
    } else if (name == "square.stack.3d.forward.dottedline") {
        drawStack(painter, s, color, true);
    } else if (const auto* entry = findEntry(name)) {
        drawGlyph(painter, s, color, QString::fromUtf8(entry->glyph));
    } else {
        drawGlyph(painter, s, color, QStringLiteral("\u25A1"));
    }
    return pixmap;
}

}  // namespace

QPixmap presetPixmap(PresetLayout preset, int size, const QColor& color) {
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = color.isValid() ? color : foreground();
    const double s = size;
    const double line = std::max(1.0, s / 16.0);
    const QRectF screen(s * 0.08, s * 0.16, s * 0.84, s * 0.68);
    // The unit screen, y up as presets are computed; flipped to drawing space below.
    const Rect area = presetFrame(Rect{0, 0, 1, 1}, preset);
    const QRectF filled(screen.left() + area.x * screen.width(),
                        screen.top() + (1.0 - area.y - area.height) * screen.height(),
                        area.width * screen.width(), area.height * screen.height());
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(filled.adjusted(line, line, -line, -line));
    p.setPen(QPen(ink, line));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(screen, s * 0.06, s * 0.06);
    return pixmap;
}

QIcon preset(PresetLayout value) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(presetPixmap(value, size, {}));
    return icon;
}

QString themeName(std::string_view name) {
    const auto* entry = findEntry(name);
    return entry != nullptr ? QString::fromLatin1(entry->theme) : QString();
}

QPixmap symbolPixmap(std::string_view name, int size, const QColor& color) {
    const QString theme = themeName(name);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) {
        return tint(QIcon::fromTheme(theme).pixmap(size, size), color);
    }
    return drawnSymbol(name, size, color.isValid() ? color : foreground());
}

QIcon symbol(std::string_view name) {
    const QString theme = themeName(name);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) return QIcon::fromTheme(theme);
    QIcon icon;
    for (int size : {16, 24, 32}) icon.addPixmap(drawnSymbol(name, size, foreground()));
    return icon;
}

QPixmap appPixmap(int size, const QColor& color) {
    QPixmap pixmap = blank(size);
    QPainter painter(&pixmap);
    drawGroup(painter, size, color.isValid() ? color : style::accent(), true);
    return pixmap;
}

QIcon app() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(appPixmap(size));
    return icon;
}

}  // namespace vantrel::icons

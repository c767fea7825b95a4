// The shared look: named colours, text styles and small building blocks of the windows.
#pragma once

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QString>

namespace vantrel::style {

QColor accent();
QColor secondary();
QColor windowBackground();
inline QColor orange() {
    return QColor(0xFF, 0x95, 0x00);
}
inline QColor green() {
    return QColor(0x34, 0xC7, 0x59);
}
inline QColor red() {
    return QColor(0xFF, 0x3B, 0x30);
}
inline QColor blue() {
    return QColor(0x00, 0x7A, 0xFF);
}
inline QColor purple() {
    return QColor(0xAF, 0x52, 0xDE);
}

// The colour at an opacity, as a style-sheet value "rgba(r, g, b, a)".
QString rgba(const QColor& color, double opacity);

enum class Text { title, title2, headline, subheadline, body, callout, caption, smallCaption };

// A label in a text style; `secondary` draws it in the secondary colour.
QLabel* label(const QString& text, Text style, bool secondary = false, QWidget* parent = nullptr);
void applyText(QWidget* widget, Text style, bool bold = false);
void setTextColor(QWidget* widget, const QColor& color);

// A horizontal line; `leadingInset` leaves that many points free at the start.
QWidget* divider(int leadingInset = 0, QWidget* parent = nullptr);

}  // namespace vantrel::style

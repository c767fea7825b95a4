// Colours from the palette where the desktop has them, fixed ones where it has no such role.
#include "ui/Style.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPalette>

namespace vantrel::style {

QColor accent() {
    return QApplication::palette().color(QPalette::Highlight);
}

QColor secondary() {
    return QApplication::palette().color(QPalette::PlaceholderText);
}

QColor windowBackground() {
    return QApplication::palette().color(QPalette::Window);
}

QString rgba(const QColor& color, double opacity) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(static_cast<int>(opacity * 255.0 + 0.5));
}

void applyText(QWidget* widget, Text style, bool bold) {
    QFont font = widget->font();
    const double base =
        QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : 10.0;
    double size = base;
    int weight = bold ? QFont::DemiBold : QFont::Normal;
    switch (style) {
        case Text::title:
            size = base * 2.0;
            break;
        case Text::title2:
            size = base * 1.6;
            break;
        case Text::headline:
            weight = QFont::DemiBold;
            break;
        case Text::subheadline:
            size = base * 0.95;
            break;
        case Text::body:
            break;
        case Text::callout:
            size = base * 0.95;
            break;
        case Text::caption:
            size = base * 0.85;
            break;
        case Text::smallCaption:
            size = base * 0.75;
            break;
    }
    font.setPointSizeF(size);
    font.setWeight(static_cast<QFont::Weight>(weight));
    widget->setFont(font);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* label(const QString& text, Text style, bool secondaryColour, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    applyText(result, style);
    if (secondaryColour) setTextColor(result, secondary());
    return result;
}

QWidget* divider(int leadingInset, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(leadingInset, 0, 0, 0);
    auto* line = new QFrame(holder);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    row->addWidget(line);
    return holder;
}

}  // namespace vantrel::style

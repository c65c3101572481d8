// Test helper: the texts of a window that its controls cut, at the controls' own font and style.
#pragma once

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <algorithm>

namespace zvtest {

// A control's text as drawn: without the "&" of its mnemonic, widest line.
inline int TextWidth(const QFontMetrics& fm, QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    int w = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

// One line per visible label, check box, radio button, button, drop-down list or group box of
// `window` whose text needs more width than the control gives it, or that sticks out of the box it
// sits in: "objectName/class 'text': needs N, has M".
inline QStringList ClippedTexts(QWidget* window)
{
    QStringList out;
    auto report = [&out](QWidget* w, const QString& text, int need, int have) {
        if (need > have)
            out << QStringLiteral("%1/%2 '%3': needs %4, has %5")
                       .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()), text)
                       .arg(need)
                       .arg(have);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        // Parts of item views (their editors, headers) are the views' business.
        if (qobject_cast<QAbstractItemView*>(w->parentWidget()) || qobject_cast<QAbstractItemView*>(w)) continue;
        const QFontMetrics fm(w->font());
        QStyle* st = w->style();
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull()) continue;
            report(w, l->text(), TextWidth(fm, l->text()) + 2 * l->margin(), l->contentsRect().width());
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            report(w, b->text(), TextWidth(fm, b->text()),
                   st->subElementRect(QStyle::SE_CheckBoxContents, &opt, b).width());
        } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
            QStyleOptionButton opt;
            opt.initFrom(r);
            opt.text = r->text();
            report(w, r->text(), TextWidth(fm, r->text()),
                   st->subElementRect(QStyle::SE_RadioButtonContents, &opt, r).width());
        } else if (auto* p = qobject_cast<QPushButton*>(w)) {
            if (p->text().isEmpty()) continue;
            QStyleOptionButton opt;
            opt.initFrom(p);
            opt.text = p->text();
            const int icon = p->icon().isNull() ? 0 : p->iconSize().width() + 4;
            report(w, p->text(), TextWidth(fm, p->text()) + icon,
                   st->subElementRect(QStyle::SE_PushButtonContents, &opt, p).width());
        } else if (auto* t = qobject_cast<QToolButton*>(w)) {
            if (t->text().isEmpty() || t->toolButtonStyle() == Qt::ToolButtonIconOnly) continue;
            report(w, t->text(), t->sizeHint().width(), t->width());
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            opt.editable = c->isEditable();
            opt.frame = c->hasFrame();
            opt.subControls = QStyle::SC_All;
            const int field = st->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c).width();
            // The label is drawn one pixel in from the field; a line edit keeps its own margins.
            const int inner = c->isEditable() ? 6 : 2;
            for (int i = 0; i < c->count(); ++i)
                report(w, c->itemText(i), TextWidth(fm, c->itemText(i)) + inner, field);
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox opt;
            opt.initFrom(g);
            opt.text = g->title();
            opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            opt.lineWidth = 1;
            report(w, g->title(), TextWidth(fm, g->title()),
                   st->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g).width());
            // What the box holds lies inside its frame.
            const QRect inside = st->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, g);
            for (QWidget* child : g->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!child->isVisibleTo(window)) continue;
                const QRect r = child->geometry();
                if (!inside.contains(r))
                    out << QStringLiteral("%1 in %2: %3,%4 %5x%6 outside the frame's inside %7,%8 %9x%10")
                               .arg(child->objectName().isEmpty()
                                        ? QString::fromLatin1(child->metaObject()->className())
                                        : child->objectName(),
                                    g->title())
                               .arg(r.x())
                               .arg(r.y())
                               .arg(r.width())
                               .arg(r.height())
                               .arg(inside.x())
                               .arg(inside.y())
                               .arg(inside.width())
                               .arg(inside.height());
            }
        }
    }
    return out;
}

}  // namespace zvtest

#include "widgets/Widgets.h"

#include "base/FolderListing.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

void Clickable::setClickableState(bool clickable)
{
    m_clickable = clickable;
    m_self->setFocusPolicy(clickable ? Qt::StrongFocus : Qt::NoFocus);
}

bool Clickable::presses(const QMouseEvent *event) const
{
    return event->button() == Qt::LeftButton && m_self->rect().contains(event->position().toPoint());
}

bool Clickable::presses(const QKeyEvent *event) const
{
    return m_clickable && isPressKey(event) && !event->isAutoRepeat();
}

void Clickable::paintFocus(QPainter &painter) const
{
    if (m_self->hasFocus())
        drawFocusRing(painter, m_self->rect(), m_self);
}

ColorPanel::ColorPanel(const QString &caption, QWidget *parent) : QWidget(parent), Clickable(this), m_caption(caption)
{
    setAccessibleName(caption);
}

QColor ColorPanel::color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Button);
}

void ColorPanel::setButtonFace()
{
    m_color = QColor();
    update();
}

QColor ColorPanel::textColor() const
{
    return m_color.isValid() ? readableTextOn(m_color) : palette().color(QPalette::ButtonText);
}

void ColorPanel::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void ColorPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void ColorPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ColorPanel::setCaptionCover(QWidget *cover)
{
    if (m_cover)
        m_cover->removeEventFilter(this);
    m_cover = cover;
    if (m_cover)
        m_cover->installEventFilter(this);
    update();
}

bool ColorPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cover && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        update();
    return QWidget::eventFilter(watched, event);
}

void ColorPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), color());
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    paintFocus(painter);
    if (m_cover && !m_cover->isHidden())
        return;
    painter.setPen(textColor());
    painter.drawText(rect(), Qt::AlignCenter, m_caption);
}

void ColorPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (presses(event))
        emit clicked();
}

void ColorPanel::keyPressEvent(QKeyEvent *event)
{
    if (presses(event)) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent), Clickable(this) {}

void ClickLabel::setClickable(bool clickable)
{
    setClickableState(clickable);
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        paintFocus(painter);
    }
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click counts whether or not Tab reaches the label; the handler decides what it does.
    if (presses(event)) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    if (presses(event)) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

ImageView::ImageView(QWidget *parent) : QWidget(parent) {}

void ImageView::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void ImageView::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull() || m_picture.width() == 0 || m_picture.height() == 0)
        return;
    QPainter painter(this);
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void ImageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

FileListBox::FileListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row is one line of the same font: laid out without measuring each, so a folder of
    // thousands of run files shows as fast as one of ten.
    setUniformItemSizes(true);
}

void FileListBox::setDirectory(const QString &directory)
{
    m_directory = directory;
    QDir::setCurrent(directory);
    refresh();
}

void FileListBox::setMask(const QString &mask)
{
    m_mask = mask;
    refresh();
}

void FileListBox::refresh()
{
    // Reading the folder again is no pick by the user.
    const QSignalBlocker blocker(this);
    // The files that were picked stay picked while they exist, so the loaded file can still be
    // exported after a download.
    QStringList picked;
    for (const QListWidgetItem *item : selectedItems())
        picked.append(item->text());
    const QString current = currentItem() ? currentItem()->text() : QString();
    clear();
    if (m_directory.isEmpty())
        return;
    // What the folder shows a user: no hidden files, and no pipes, sockets or devices, which
    // would block or fail when opened.
    addItems(files::shownFiles(m_directory, m_mask));
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem *entry = item(row);
        if (entry->text() == current)
            setCurrentItem(entry, QItemSelectionModel::NoUpdate);
        if (picked.contains(entry->text()))
            entry->setSelected(true);
    }
}

bool FileListBox::multiSelect() const
{
    return selectionMode() == QAbstractItemView::MultiSelection;
}

void FileListBox::setMultiSelect(bool on)
{
    // Switching modes is no pick by the user; single selection keeps the current item selected.
    const QSignalBlocker blocker(this);
    setSelectionMode(on ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    if (!on) {
        clearSelection();
        if (currentItem())
            currentItem()->setSelected(true);
    }
}

QString FileListBox::fileName() const
{
    const QListWidgetItem *item = nullptr;
    if (multiSelect()) {
        if (currentItem() && currentItem()->isSelected())
            item = currentItem();
    } else if (!selectedItems().isEmpty()) {
        item = selectedItems().constFirst();
    }
    if (!item)
        return {};
    return QDir(m_directory).filePath(item->text());
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint())
        emit keyTyped(text.at(0));
    QListWidget::keyPressEvent(event);
}

QFont arial(int pixels, bool bold, bool italic)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont tahoma(int pixels)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
}

void setLabelText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

QColor buttonFaceColor()
{
    return QApplication::palette().color(QPalette::Button);
}

namespace {
double luminance(const QColor &colour)
{
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}
} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableTextOn(const QColor &background)
{
    const QColor black(0, 0, 0), white(255, 255, 255);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

bool isPressKey(const QKeyEvent *event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
           && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
}

QColor focusRingColor(const QColor &highlight, const QColor &behind)
{
    constexpr double kLeast = 3.0; // what a focus indicator needs against its surroundings
    const bool darken = contrastRatio(Qt::black, behind) >= contrastRatio(Qt::white, behind);
    QColor colour = highlight.toRgb();
    for (int step = 0; step < 24 && contrastRatio(colour, behind) < kLeast; ++step)
        colour = darken ? colour.darker(115) : colour.lighter(115);
    return contrastRatio(colour, behind) >= kLeast ? colour : readableTextOn(behind);
}

QColor focusRingColor(const QWidget *widget)
{
    return focusRingColor(widget->palette().color(QPalette::Highlight), widget->palette().color(QPalette::Window));
}

void drawFocusRing(QPainter &painter, const QRect &rect, const QWidget *widget)
{
    painter.save();
    painter.setPen(QPen(focusRingColor(widget), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
    painter.restore();
}

namespace {
class FocusRingStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element == CE_PushButton && widget && (option->state & State_HasFocus))
            drawFocusRing(*painter, option->rect, widget);
    }
};
} // namespace

QStyle *focusRingStyle()
{
    // One for the program, following the desktop's style; gone with the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = new FocusRingStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

EventHook::EventHook(QObject *target, std::function<bool(QEvent *)> handler)
    : QObject(target), m_handler(std::move(handler))
{
    target->installEventFilter(this);
}

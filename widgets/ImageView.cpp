#include "widgets/ImageView.h"

#include <QMouseEvent>
#include <QPainter>

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

#pragma once

#include <QImage>
#include <QWidget>

// Shows a picture centred and scaled to fit, keeping its aspect ratio.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget *parent = nullptr);
    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

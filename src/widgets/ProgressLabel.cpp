#include "widgets/ProgressLabel.h"

#include <QPainter>

#include "formats/NumberPatterns.h"

namespace petalwright::widgets {

QString groupedCount(int value, const QLocale& locale)
{
    return QString::fromStdString(formats::groupThousands(value, locale.groupSeparator().toStdString()));
}

ProgressLabel::ProgressLabel(QWidget* parent) : QWidget(parent)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(kFrameMs);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        if (m_changedInFrame) {
            m_changedInFrame = false;
            update();
            m_frame.start();
        }
    });
}

QString ProgressLabel::text() const
{
    if (!m_isProgress)
        return m_text;
    return QStringLiteral("△") + groupedCount(m_done, m_locale) + QStringLiteral(" / ") + groupedCount(m_total, m_locale);
}

void ProgressLabel::setText(const QString& text)
{
    m_text = text;
    m_isProgress = false;
    changed();
}

void ProgressLabel::setProgress(int done, int total)
{
    m_done = done;
    m_total = total;
    m_isProgress = true;
    changed();
}

void ProgressLabel::changed()
{
    // The first change of a frame paints at once; later ones in the same frame paint at its end.
    if (m_frame.isActive()) {
        m_changedInFrame = true;
        return;
    }
    update();
    m_frame.start();
}

void ProgressLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), static_cast<int>(m_alignment), text());
}

} // namespace petalwright::widgets

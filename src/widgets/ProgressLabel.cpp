#include "widgets/ProgressLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include "formats/NumberPatterns.h"

namespace petalwright::widgets {

QString groupedCount(int value, const QLocale& locale)
{
    return QString::fromStdString(formats::groupThousands(value, locale.groupSeparator().toStdString()));
}

namespace {

// To a screen reader the label is a static text whose name is the text shown now.
class ProgressLabelAccessible final : public QAccessibleWidget {
public:
    explicit ProgressLabelAccessible(ProgressLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const ProgressLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* progressLabelAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("petalwright::widgets::ProgressLabel") && object != nullptr && object->isWidgetType())
        return new ProgressLabelAccessible(static_cast<ProgressLabel*>(object));
    return nullptr;
}

} // namespace

ProgressLabel::ProgressLabel(QWidget* parent) : QWidget(parent)
{
    QAccessible::installFactory(progressLabelAccessible);
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
    const QString shown = text();
    painter.drawText(rect(), static_cast<int>(m_alignment), shown);
    // Assistive technology hears of a change as the screen shows it: once per frame at most.
    if (shown != m_announced) {
        m_announced = shown;
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace petalwright::widgets

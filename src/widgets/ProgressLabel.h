#pragma once
// A one-line label for a running count: it takes a new text after every petal and every face,
// but repaints at most once per display frame, since the screen cannot show more.

#include <QElapsedTimer>
#include <QLocale>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace petalwright::widgets {

// "###,##0": a count with thousands grouped by the locale's separator (20,000 in Japan).
QString groupedCount(int value, const QLocale& locale);

class ProgressLabel final : public QWidget {
    Q_OBJECT
public:
    explicit ProgressLabel(QWidget* parent = nullptr);

    // The text shown now: the last one set, or the progress text "△done / total".
    QString text() const;
    void setText(const QString& text);
    void clear() { setText(QString()); }
    // "△" + done + " / " + total, both grouped by the locale's separator; nothing is formatted
    // until the text is painted or asked for.
    void setProgress(int done, int total);
    void setLocale(const QLocale& locale) { m_locale = locale; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    // Repaints per display frame at most.
    static constexpr int kFrameMs = 16;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QString m_text;
    bool m_isProgress = false;
    int m_done = 0;
    int m_total = 0;
    QLocale m_locale;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    QTimer m_frame;           // runs while a frame is open; a change inside it waits for its end
    bool m_changedInFrame = false;
    QString m_announced; // the text assistive technology was last told of
};

} // namespace petalwright::widgets

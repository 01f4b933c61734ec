#pragma once
// Recording fakes of the platform services, for window tests.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <vector>

#include "platform/LocalDateTime.h"
#include "platform/Services.h"

namespace petalwright::testing {

// One message box as it was shown.
struct ShownMessage {
    enum Kind { Exclamation, Question } kind;
    QString text;
};

class FakeMessageBox final : public platform::MessageBox {
public:
    void exclamation(QWidget*, const QString& text) override { shown.push_back({ShownMessage::Exclamation, text}); }
    bool question(QWidget*, const QString& text) override
    {
        shown.push_back({ShownMessage::Question, text});
        if (answers.empty())
            return false; // No is the default button
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    std::vector<ShownMessage> shown;
    std::deque<bool> answers; // Yes = true, in order of the questions
};

class FakeSaveDialog final : public platform::SaveDialog {
public:
    QString getSaveFileName(QWidget*, const platform::SaveRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return {};
        const QString path = answers.front();
        answers.pop_front();
        return path;
    }
    std::vector<platform::SaveRequest> requests;
    std::deque<QString> answers; // empty string = cancel
};

class FakeUrlOpener final : public platform::UrlOpener {
public:
    void open(const QUrl& url) override { opened.push_back(url); }
    std::vector<QUrl> opened;
};

class FixedClock final : public platform::Clock {
public:
    QDateTime now() const override { return moment; }
    QDateTime moment{QDate(2006, 1, 15), QTime(9, 5, 7)};
};

// A full set of fakes; `yield` processes events and then runs `afterYield` if set.
struct FakeServices {
    FakeMessageBox messageBox;
    FakeSaveDialog saveDialog;
    FakeUrlOpener urlOpener;
    FixedClock clock;
    std::uint64_t seed = 1;
    int yields = 0;
    std::function<void(int yieldCount)> afterYield;

    platform::Services services();
};

} // namespace petalwright::testing

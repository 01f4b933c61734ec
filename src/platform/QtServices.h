#pragma once
// The real platform services on Qt Widgets.

#include <QElapsedTimer>

#include <functional>
#include <memory>

#include "platform/LocalDateTime.h"
#include "platform/Services.h"

namespace petalwright::platform {

class QtMessageBox final : public MessageBox {
public:
    void exclamation(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
};

// Extension of a file type such as "OBJファイル(*.obj)", without the dot: "obj"; empty when it names none.
QString filterSuffix(const QString& filter);
// `path` with the extension `suffix`: kept when it has it (in any letter case), put in place of one of
// `typeSuffixes` (the other types' extensions), appended otherwise.
QString withSuffix(const QString& path, const QString& suffix, const QStringList& typeSuffixes);

// Qt's own file dialog, the same on every platform; refuses names in folders that do not exist.
class QtSaveDialog final : public SaveDialog {
public:
    SaveChoice getSaveFileName(QWidget* parent, const SaveRequest& request) override;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

// The job's yield: processes every pending window event (the cancel click, repaints), but not
// more often than every quarter millisecond. A job yields after each of up to 22,500 petals and
// faces, each a microsecond or two of work, while one pass of the event loop costs several
// microseconds even when nothing is pending; a click is still seen within a quarter millisecond.
class SlicedYield {
public:
    static constexpr qint64 kSliceNs = 250'000;
    void operator()();

private:
    std::shared_ptr<QElapsedTimer> m_last = std::make_shared<QElapsedTimer>();
};

// Where the save dialog opens when no file is chosen yet: the last output folder while it exists,
// else the program's folder if this user may write there, else the documents folder, else home.
QString saveStartFolder(const QString& remembered, const QString& programFolder);

// The services of the running program; `clock` must outlive the result.
Services systemServices(const Clock& clock);

// Japanese texts for Qt's own dialogs (file dialog, message box buttons), whatever the system
// language: the program speaks Japanese throughout. False when the translation is not installed.
bool installJapaneseStandardTexts();

} // namespace petalwright::platform

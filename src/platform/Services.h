#pragma once
// What the windows need from the platform, behind interfaces so tests can replace and record them.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <functional>

class QWidget;

namespace petalwright::platform {

class Clock;

// Message boxes titled with the application title.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Exclamation icon, one OK button; waits for the user.
    virtual void exclamation(QWidget* parent, const QString& text) = 0;
    // Question icon, Yes and No with No as default; true for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
};

// What the save dialog is asked to show.
struct SaveRequest {
    QString title;
    QStringList filters;    // file types, the first the default: "DXFファイル(*.dxf)", ...
    QString selectedFilter; // type shown when the dialog opens (the previous choice); empty: the first
    QString defaultSuffix;  // appended to a name typed without one
    QString folder;        // folder the dialog opens in
    QString fileName;      // text of the file-name box (the previous choice, or empty)
};

// What the user confirmed in the save dialog.
struct SaveChoice {
    QString path;   // full path, with the extension of the chosen type; empty when cancelled
    QString filter; // the chosen type, one of the request's filters
};

class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual SaveChoice getSaveFileName(QWidget* parent, const SaveRequest& request) = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Hands the address to the default browser; does not wait for the page. False when no
    // program could be started for it.
    virtual bool open(const QUrl& url) = 0;
};

// Everything a window may ask of the platform; the program passes the real ones, tests fakes.
struct Services {
    MessageBox* messageBox = nullptr;
    SaveDialog* saveDialog = nullptr;
    UrlOpener* urlOpener = nullptr;
    const Clock* clock = nullptr;
    std::function<std::uint64_t()> seedForRun; // seed of a run's ring turns
    std::function<void()> yield;               // process pending window events
    QString executableFolder;                  // where the save dialog first opens, if this user may write there
    QLocale locale;                            // regional formats: group separator, date, time
    QUrl helpPage;                             // what Web Help opens: the installed page or a web page
    QString settingsFile;                      // the last output folder and file type, between runs
};

} // namespace petalwright::platform

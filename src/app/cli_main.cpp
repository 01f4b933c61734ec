// petalwright-cli: writes a flower DXF from the six parameter texts, without windows.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <utility>
#include <unistd.h>

#include "Version.h"
#include "formats/FaceFileWriter.h"
#include "formats/FlowerReader.h"
#include "formats/PetalFile.h"
#include "formats/OutputFormat.h"
#include "formats/NumberPatterns.h"
#include "formats/SizeEstimate.h"
#include "geometry/DaisyMesh.h"
#include "geometry/NumberScan.h"
#include "geometry/SampleFlowers.h"
#include "platform/SafeFile.h"
#include "platform/EndSignals.h"
#include "platform/LocalDateTime.h"
#include "platform/PathName.h"
#include "platform/StandardOutputFile.h"
#include "solid/PrintSolid.h"
#include "solid/SolidModule.h"
#include "solid/SolidOptions.h"
#include "solid/SolidSizeEstimate.h"

using namespace petalwright;

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitSignalBase = 128; // 128 + the signal's number: 130 for SIGINT, 143 for SIGTERM

// What a signal that ends the program finds: nothing to tidy, a file being made, or bytes already sent.
enum class Phase { Nothing, Saving, Streaming };
volatile std::sig_atomic_t g_phase = static_cast<int>(Phase::Nothing);
volatile std::sig_atomic_t g_signal = 0;
// The message for a signal while streaming, ready before it is needed (the handler cannot format).
QByteArray g_streamingMessage;

void onEndSignal(int number)
{
    g_signal = number;
    if (g_phase == static_cast<int>(Phase::Saving))
        return; // the job stops at its next step and puts the previous file back
    if (g_phase == static_cast<int>(Phase::Streaming))
        (void)!::write(STDERR_FILENO, g_streamingMessage.constData(), static_cast<std::size_t>(g_streamingMessage.size()));
    // At once, even from inside a write to a full pipe.
    ::_exit(kExitSignalBase + number);
}

// Every signal that would end the program ends it through onEndSignal; a closed pipe and the file
// size limit come back from write as errors (EPIPE, EFBIG) with their message instead.
void installSignalHandlers() { platform::catchEndSignals(onEndSignal); }

// The first error of a print to stdout (errno), 0 while every print went through.
int g_outError = 0;

void print(std::FILE* stream, const QByteArray& bytes)
{
    // Closed at start-up, standard output writes into /dev/null: a print there did not reach anyone.
    if (stream == stdout && platform::standardOutputClosed() && g_outError == 0)
        g_outError = EBADF;
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    if (std::fflush(stream) != 0 && stream == stdout && g_outError == 0)
        g_outError = errno;
}

void printLine(std::FILE* stream, const QString& text) { print(stream, text.toUtf8() + '\n'); }

// `status`, or 1 when a print to stdout or stderr failed (a full disk, a closed pipe), as Unix tools do.
int finish(int status)
{
    if (g_outError != 0)
        printLine(stderr, QStringLiteral("petalwright-cli: 標準出力に書き込めませんでした。原因: %1")
                              .arg(platform::standardOutputClosed() ? platform::closedOutputCause() : platform::saveFailureCause(g_outError)));
    const bool failed = g_outError != 0 || std::ferror(stdout) != 0 || std::ferror(stderr) != 0;
    return failed && status == 0 ? kExitWriteFailed : status;
}

// One bar on stderr, redrawn only when its percentage changes.
class ProgressBar {
public:
    ProgressBar(bool enabled, int total) : m_enabled(enabled), m_total(total) {}
    void show(const char* phase, int done)
    {
        if (!m_enabled || m_total <= 0)
            return;
        const int percent = static_cast<int>(100LL * done / m_total);
        if (percent == m_percent && phase == m_phase)
            return;
        m_percent = percent;
        m_phase = phase;
        constexpr int kWidth = 30;
        char bar[kWidth + 1] = {};
        for (int i = 0; i < kWidth; ++i)
            bar[i] = i < percent * kWidth / 100 ? '#' : '.';
        std::fprintf(stderr, "\r%s [%s] %3d%%", phase, bar, percent);
        std::fflush(stderr);
    }
    void finish()
    {
        if (m_enabled && m_percent >= 0)
            std::fputs("\n", stderr);
    }

private:
    bool m_enabled;
    int m_total;
    int m_percent = -1;
    const char* m_phase = nullptr;
};

// Japanese for the parser's complaint about the options.
QString argumentError(const QCommandLineParser& parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return QStringLiteral("不明なオプションです: %1%2").arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf(QLatin1Char('\'')), close = text.lastIndexOf(QLatin1Char('\''));
    const QString option = open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : QString();
    if (text.startsWith(QLatin1String("Missing value after")))
        return QStringLiteral("オプション %1 には値が必要です。").arg(option);
    if (text.startsWith(QLatin1String("Unexpected value after")))
        return QStringLiteral("オプション %1 は値をとりません。").arg(option);
    return QStringLiteral("引数が正しくありません: %1").arg(text);
}

// The raw bytes of the argument that reads as `text`, when one of them is not a file name the
// program can write as given (bytes that are not UTF-8 text).
std::optional<QByteArray> unrepresentableArgument(int argc, char* argv[], const QString& text)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::decodeName(raw) == text && !platform::representable(raw))
            return raw;
    }
    return std::nullopt;
}

// The flower a file names (any file Petalwright writes), or the message why not.
std::optional<formats::FlowerRecord> readFlower(const QString& path, QString& problem)
{
    QFile file(path);
    QByteArray bytes;
    std::string cause;
    if (QFileInfo(path).isDir()) {
        cause = "フォルダーです。";
    } else if (!file.open(QIODevice::ReadOnly)) {
        cause = errno == ENOENT ? "ファイルがありません。" : errno == EACCES ? "読み取る権限がありません。" : file.errorString().toStdString();
    } else {
        // A file of another kind is known by its first bytes: it is not read into memory.
        bytes = file.read(formats::kFlowerSignatureBytes);
        if (!bytes.isEmpty() && !formats::mayNameFlower(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))))
            cause = formats::messages::kForeignFile;
        else
            bytes += file.readAll();
        if (file.error() != QFileDevice::NoError)
            cause = file.errorString().toStdString();
    }
    formats::FlowerRead read;
    if (cause.empty())
        read = formats::readFlowerFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    else
        read.problem = cause;
    if (!read.flower)
        problem = QStringLiteral("花の設定を読めませんでした。\nファイル: %1\n原因: %2").arg(path, QString::fromStdString(read.problem));
    return read.flower;
}

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Columns on a terminal: the Japanese names take two columns a character.
qsizetype displayWidth(const QString& text)
{
    qsizetype width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x1100 ? 1 : 2;
    return width;
}

// One line per sample, in aligned columns: ASCII name, Japanese name, the six values.
void printSampleList()
{
    QList<QStringList> rows;
    QList<qsizetype> widths(2 + geometry::kParameterCount, 0);
    for (const geometry::SampleFlower& sample : geometry::sampleFlowers()) {
        QStringList row{fromView(sample.name), fromView(sample.japaneseName)};
        for (const std::string_view text : sample.texts)
            row << fromView(text);
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
        rows << row;
    }
    for (const QStringList& row : rows) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QString padding(widths[i] - displayWidth(row[i]), QLatin1Char(' '));
            cells << (i < 2 ? row[i] + padding : padding + row[i]); // names to the left, values to the right
        }
        printLine(stdout, cells.join(QStringLiteral("  ")));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    platform::openStandardDescriptors();
    installSignalHandlers();
    g_streamingMessage = QStringLiteral("\n中断しました。ファイルの一部はすでに標準出力に送られています。\n").toUtf8();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("petalwright-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version::kVersionText.data(),
                                                                static_cast<qsizetype>(version::kVersionText.size())));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a daisy-like flower as a DXF file of 3DFACE entities."));
    const geometry::ParameterTexts defaults = geometry::defaultParameterTexts();
    const QList<QCommandLineOption> parameterOptions = {
        {QStringLiteral("petals"), QStringLiteral("Petals per ring, 2 to 50."), QStringLiteral("TEXT"), QString::fromStdString(defaults[0])},
        {QStringLiteral("overlap"), QStringLiteral("Rings of petals, 1 to 50."), QStringLiteral("TEXT"), QString::fromStdString(defaults[1])},
        {QStringLiteral("width"), QStringLiteral("Petal width step, 1 to 10."), QStringLiteral("TEXT"), QString::fromStdString(defaults[2])},
        {QStringLiteral("scale"), QStringLiteral("Scale of the last ring, 0.1 to 50.0."), QStringLiteral("TEXT"), QString::fromStdString(defaults[3])},
        {QStringLiteral("angle-start"), QStringLiteral("Growth angle of the first ring, 0.0 to 180.0."), QStringLiteral("TEXT"), QString::fromStdString(defaults[4])},
        {QStringLiteral("angle-end"), QStringLiteral("Growth angle of the last ring, 0.0 to 180.0."), QStringLiteral("TEXT"), QString::fromStdString(defaults[5])},
    };
    parser.addOptions(parameterOptions);
    const QCommandLineOption presetOption(QStringLiteral("preset"), QStringLiteral("Start from a named sample flower; explicit parameter options override it."), QStringLiteral("NAME"));
    const QCommandLineOption listPresetsOption(QStringLiteral("list-presets"), QStringLiteral("Print the sample flowers with their six values."));
    const QCommandLineOption flowerOption(QStringLiteral("flower"),
                                          QStringLiteral("Start from a flower file (.petal) or any file Petalwright wrote; explicit options override it."),
                                          QStringLiteral("FILE"));
    parser.addOption(presetOption);
    parser.addOption(flowerOption);
    parser.addOption(listPresetsOption);
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the ring turns (default: from the clock)."), QStringLiteral("N"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("No progress output."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("%1 (default: by OUTPUT's extension: .obj, .stl, .glb, .3mf, else dxf).")
                                              .arg(QString::fromStdString(formats::formatNameList(" | "))),
                                          QStringLiteral("FORMAT"));
    parser.addOption(formatOption);
    const QCommandLineOption thicknessOption(QStringLiteral("thickness"),
                                             QStringLiteral("print-stl and 3mf: thickness of the petals in mm (default %1).")
                                                 .arg(fromView(solid::kDefaultThicknessText)),
                                             QStringLiteral("MM"), fromView(solid::kDefaultThicknessText));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("print-stl and 3mf: largest width across X and Y in mm (default: the drawing units as mm)."),
                                        QStringLiteral("MM"));
    parser.addOption(thicknessOption);
    parser.addOption(sizeOption);
    parser.addOption(seedOption);
    parser.addOption(quietOption);
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("The file to write; - writes to standard output."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    // Every argument error exits with 2, in Japanese, before anything is generated.
    const auto refuse = [](const QString& message) {
        printLine(stderr, message);
        printLine(stderr, QStringLiteral("使い方は petalwright-cli --help で表示できます。"));
        return kExitBadInput;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return refuse(argumentError(parser));
    if (parser.isSet(helpOption)) {
        print(stdout, parser.helpText().toUtf8());
        return finish(0);
    }
    if (parser.isSet(versionOption)) {
        printLine(stdout, QStringLiteral("petalwright-cli %1").arg(QCoreApplication::applicationVersion()));
        return finish(0);
    }
    if (parser.isSet(listPresetsOption)) {
        printSampleList();
        return finish(0);
    }
    const geometry::SampleFlower* preset = nullptr;
    if (parser.isSet(presetOption)) {
        preset = geometry::findSampleFlower(parser.value(presetOption).toStdString());
        if (!preset) {
            QStringList names;
            for (const geometry::SampleFlower& sample : geometry::sampleFlowers())
                names << fromView(sample.name);
            return refuse(QStringLiteral("見本「%1」はありません。次のどれかを指定してください: %2")
                              .arg(parser.value(presetOption), names.join(QStringLiteral(", "))));
        }
    }

    std::optional<formats::FlowerRecord> flower;
    if (parser.isSet(flowerOption)) {
        if (preset)
            return refuse(QStringLiteral("--preset と --flower は一緒には使えません。"));
        QString problem;
        flower = readFlower(parser.value(flowerOption), problem);
        if (!flower) {
            printLine(stderr, problem);
            return kExitBadInput;
        }
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refuse(QStringLiteral("出力するファイルを一つ指定してください。"));
    if (positional.size() > 1)
        return refuse(QStringLiteral("出力するファイルは一つだけ指定してください: %1").arg(positional.join(QStringLiteral(" "))));
    const QString outputPath = positional.first();
    if (outputPath.isEmpty())
        return refuse(QStringLiteral("出力するファイルの名前が空です。"));
    if (const auto raw = unrepresentableArgument(argc, argv, outputPath))
        return refuse(QStringLiteral("このファイル名は文字として読めないバイトを含むため、そのままでは書き込めません: %1")
                          .arg(platform::escapedName(*raw)));
    const bool toStandardOutput = outputPath == QStringLiteral("-");
    formats::OutputFormat format = formats::formatFromPath(outputPath.toStdString());
    if (parser.isSet(formatOption)) {
        const auto named = formats::formatFromName(parser.value(formatOption).trimmed().toStdString());
        if (!named) {
            return refuse(QStringLiteral("--format には %1 のいずれかを指定してください: %2")
                              .arg(QString::fromStdString(formats::formatNameList(", ")), parser.value(formatOption)));
        }
        format = *named;
    }
    const bool printable = formats::isPrintable(format);
    // A flower file records the printable size and thickness too.
    const bool keepsSolidOptions = printable || formats::isFlowerFile(format);
    if (!keepsSolidOptions && (parser.isSet(thicknessOption) || parser.isSet(sizeOption)))
        return refuse(QStringLiteral("--thickness と --size は print-stl、3mf と petal の形式にだけ使えます。"));
    const bool quiet = parser.isSet(quietOption);
    // With the file on standard output, the messages for the user go to stderr.
    std::FILE* const info = toStandardOutput ? stderr : stdout;

    geometry::ParameterTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const QCommandLineOption& option = parameterOptions[static_cast<qsizetype>(i)];
        if (parser.isSet(option))
            texts[i] = parser.value(option).toStdString();
        else if (flower)
            texts[i] = flower->texts[i];
        else
            texts[i] = preset ? std::string(preset->texts[i]) : parser.value(option).toStdString();
    }
    const geometry::FlowerParameters parameters = geometry::convertParameters(texts);
    const std::string problems = geometry::checkParameters(texts, parameters);
    if (!problems.empty()) {
        printLine(stderr, QString::fromStdString(problems).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return kExitBadInput;
    }

    std::uint64_t seed = geometry::seedFromClock();
    const bool seedGiven = parser.isSet(seedOption) || (flower && flower->seed);
    if (flower && flower->seed)
        seed = *flower->seed;
    if (parser.isSet(seedOption)) {
        const auto parsed = formats::parseShapeNumber(parser.value(seedOption).toStdString());
        if (!parsed) {
            printLine(stderr, QStringLiteral("--seed には 0 から 18446744073709551615 までの整数を指定してください: %1")
                                  .arg(parser.value(seedOption)));
            return kExitBadInput;
        }
        seed = *parsed;
    }

    // Size and thickness: the options, else the flower file's, else the defaults.
    const auto solidText = [&](const QCommandLineOption& option, const std::string& fromFlower) {
        return parser.isSet(option) || !flower || fromFlower.empty() ? parser.value(option).toStdString() : fromFlower;
    };
    const std::string thicknessText = solidText(thicknessOption, flower ? flower->thickness : std::string());
    const std::string sizeText = solidText(sizeOption, flower ? flower->size : std::string());
    solid::SolidOptions solidOptions;
    // A flower file checks them only when chosen: the largest flower's file needs no printable size.
    const bool solidChosen = parser.isSet(thicknessOption) || parser.isSet(sizeOption)
        || (flower && (!flower->thickness.empty() || !flower->size.empty()));
    if (printable || (keepsSolidOptions && solidChosen)) {
        const std::string solidProblems = solid::checkSolidOptions(thicknessText, sizeText, parameters, solidOptions);
        if (!solidProblems.empty()) {
            printLine(stderr, QString::fromStdString(solidProblems));
            return kExitBadInput;
        }
        // Only a printable file loads the solid's module; a missing one is said before any work.
        std::string unavailable;
        if (printable && solid::loadSolidModule(&unavailable) == nullptr) {
            printLine(stderr, QString::fromStdString(unavailable));
            return kExitWriteFailed;
        }
    }

    // The estimate of this format's file; for the DXF type the designed one.
    const formats::SizeEstimate size = printable ? solid::estimateSolidFileSize(format, parameters, solidOptions)
                                                 : formats::estimateFileSize(format, parameters);
    const std::string separator = QLocale::system().groupSeparator().toStdString();
    // A folder, FIFO, device or socket at the target is refused before any work.
    if (!toStandardOutput) {
        if (const QString problem = platform::targetProblem(outputPath); !problem.isEmpty()) {
            printLine(stderr, problem);
            return kExitWriteFailed;
        }
    }

    g_phase = static_cast<int>(Phase::Saving);
    const bool flowerFile = formats::isFlowerFile(format);
    if (!quiet && !flowerFile)
        printLine(info, QStringLiteral("△%1 / %2").arg(QString::fromStdString(formats::groupThousands(size.faceTotal, separator)),
                                                        QString::fromStdString(size.sizeEstimateText)));

    const auto interrupted = [](const QString& message) {
        printLine(stderr, message);
        return finish(kExitSignalBase + g_signal);
    };
    if (g_signal != 0)
        return interrupted(QStringLiteral("中断しました。ファイルは書き込んでいません。"));
    ProgressBar bar(!quiet && !flowerFile && ::isatty(STDERR_FILENO) != 0, size.faceTotal);

    geometry::MeshStore mesh;
    geometry::SeededRandom random(seed);
    // The flower file needs no mesh.
    if (!flowerFile)
        mesh.allocate(parameters.overlapCount, parameters.petalCount);
    const bool generated = flowerFile || geometry::makeDaisyMesh(parameters, mesh, random, [&](int facesBefore) {
        bar.show("generate", facesBefore);
        return g_signal == 0;
    });
    if (!generated) {
        bar.finish();
        return interrupted(QStringLiteral("中断しました。ファイルは書き込んでいません。"));
    }

    // The printable formats unite the petals into one solid first (progress per step, Ctrl+C between steps).
    formats::SolidMesh solidMesh;
    if (printable) {
        ProgressBar solidBar(!quiet && ::isatty(STDERR_FILENO) != 0, solid::solidStepTotal(parameters.overlapCount, parameters.petalCount));
        std::string problem;
        const solid::SolidOutcome built = solid::buildPrintSolid(mesh, parameters.overlapCount, parameters.petalCount, solidOptions, solidMesh,
                                                                 [&](int done, int) {
                                                                     solidBar.show("solid   ", done);
                                                                     return g_signal == 0;
                                                                 },
                                                                 &problem);
        bar.finish();
        solidBar.finish();
        if (built == solid::SolidOutcome::Cancelled)
            return interrupted(QStringLiteral("中断しました。ファイルは書き込んでいません。"));
        if (built == solid::SolidOutcome::Failed) {
            printLine(stderr, QString::fromStdString(problem));
            return finish(kExitWriteFailed);
        }
        if (!quiet)
            printLine(info, QString::fromStdString(solid::orientationText(solidMesh.upsideDown)));
    }

    const std::unique_ptr<platform::OutputFile> output = platform::outputFileFor(outputPath);
    platform::OutputFile& file = *output;
    QString toldWaiting; // said again when what is waited for changes
    file.keepWaiting = [&] {
        if (const QString reason = file.waitingFor(); reason != toldWaiting)
            printLine(stderr, QStringLiteral("%1: %2").arg(toldWaiting = reason, outputPath));
        return g_signal == 0;
    };
    if (toStandardOutput)
        g_phase = static_cast<int>(Phase::Streaming);
    if (!file.open()) {
        bar.finish();
        if (g_signal != 0)
            return interrupted(QStringLiteral("中断しました。ファイルは変更していません。"));
        printLine(stderr, file.errorMessage());
        return finish(kExitWriteFailed);
    }
    if (!file.notice().isEmpty())
        printLine(stderr, file.notice());
    formats::CommentInfo comments;
    comments.fileName = toStandardOutput ? outputPath.toStdString() : QFileInfo(outputPath).fileName().toStdString();
    comments.dateTime = [] { return platform::localDateTimeText(QDateTime::currentDateTime()).toStdString(); };
    comments.parameterTexts = texts;
    comments.seed = seed;
    formats::FlowerRecord record = formats::flowerRecord(texts, seed);
    if (parser.isSet(thicknessOption) || (flower && !flower->thickness.empty()))
        record.thickness = std::string(geometry::trimBlanks(thicknessText));
    if (parser.isSet(sizeOption) || (flower && !flower->size.empty()))
        record.size = std::string(geometry::trimBlanks(sizeText));
    const formats::WriteOutcome outcome = flowerFile ? (file.write(formats::petalFileText(record)) ? formats::WriteOutcome::Finished : formats::WriteOutcome::Failed)
        : printable  ? formats::writeSolidFile(format, solidMesh, comments, file)
        : formats::writeOutputFile(format, mesh, parameters.overlapCount, parameters.petalCount, comments, file, [&](int faces) {
              bar.show("write   ", faces);
              return g_signal == 0;
          });
    bar.finish();
    if (outcome == formats::WriteOutcome::Cancelled) {
        // An interrupted command leaves the previous file as it was.
        file.discard(); // says so when the previous file could not be put back
        return interrupted(file.errorMessage().isEmpty() ? QStringLiteral("中断しました。ファイルは変更していません。") : file.errorMessage());
    }
    if (outcome == formats::WriteOutcome::Failed || !file.commit()) {
        printLine(stderr, file.errorMessage());
        return finish(kExitWriteFailed);
    }
    g_phase = static_cast<int>(Phase::Nothing);
    // The shape number that was not given, so the same flower can be had again.
    if (!seedGiven && !quiet)
        printLine(stderr, QStringLiteral("形番号: %1").arg(seed));
    if (!quiet)
        printLine(info, QStringLiteral("終了しました: %1").arg(outputPath));
    return finish(0);
}

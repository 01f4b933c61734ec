// petalwright-cli: writes a flower DXF from the six parameter texts, without windows.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

#include "Version.h"
#include "dxf/FaceFileWriter.h"
#include "dxf/OutputFormat.h"
#include "dxf/NumberPatterns.h"
#include "dxf/SizeEstimate.h"
#include "geometry/DaisyMesh.h"
#include "platform/AnsiTextFile.h"
#include "platform/LocalDateTime.h"

using namespace petalwright;

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;

std::atomic<bool> g_interrupted = false;

void onInterrupt(int) { g_interrupted = true; }

void printLine(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
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

std::optional<quint64> parseSeed(const QString& text)
{
    bool ok = false;
    const quint64 seed = text.trimmed().toULongLong(&ok, 10);
    return ok ? std::optional<quint64>(seed) : std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("petalwright-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version::kVersionText.data(),
                                                                static_cast<qsizetype>(version::kVersionText.size())));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a daisy-like flower as a DXF file of 3DFACE entities."));
    parser.addHelpOption();
    parser.addVersionOption();
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
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the ring turns (default: from the clock)."), QStringLiteral("N"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("No progress output."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("dxf | cad-dxf | obj | stl | glb (default: by OUTPUT's extension: .obj, .stl, .glb, else dxf)."),
                                          QStringLiteral("FORMAT"));
    parser.addOption(formatOption);
    parser.addOption(seedOption);
    parser.addOption(quietOption);
    parser.addPositionalArgument(QStringLiteral("OUTPUT.dxf"), QStringLiteral("The DXF file to write."));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        printLine(stderr, QStringLiteral("出力するDXFファイルを一つ指定してください。"));
        printLine(stderr, parser.helpText());
        return kExitBadInput;
    }
    const QString outputPath = positional.first();
    dxf::OutputFormat format = dxf::formatFromPath(outputPath.toStdString());
    if (parser.isSet(formatOption)) {
        const auto named = dxf::formatFromName(parser.value(formatOption).trimmed().toStdString());
        if (!named) {
            printLine(stderr, QStringLiteral("--format には dxf, cad-dxf, obj, stl, glb のいずれかを指定してください: %1")
                                  .arg(parser.value(formatOption)));
            return kExitBadInput;
        }
        format = *named;
    }
    const bool quiet = parser.isSet(quietOption);

    geometry::ParameterTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = parser.value(parameterOptions[static_cast<qsizetype>(i)]).toStdString();
    const geometry::FlowerParameters parameters = geometry::convertParameters(texts);
    const std::string problems = geometry::checkParameters(texts, parameters);
    if (!problems.empty()) {
        printLine(stderr, QString::fromStdString(problems).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return kExitBadInput;
    }

    std::uint64_t seed = geometry::seedFromClock();
    if (parser.isSet(seedOption)) {
        const auto parsed = parseSeed(parser.value(seedOption));
        if (!parsed) {
            printLine(stderr, QStringLiteral("--seed には 0 から 18446744073709551615 までの整数を指定してください: %1")
                                  .arg(parser.value(seedOption)));
            return kExitBadInput;
        }
        seed = *parsed;
    }

    const dxf::SizeEstimate size = dxf::estimateSize(parameters.petalCount, parameters.overlapCount);
    const std::string separator = QLocale::system().groupSeparator().toStdString();
    if (!quiet)
        printLine(stdout, QStringLiteral("△%1 / %2").arg(QString::fromStdString(dxf::groupThousands(size.faceTotal, separator)),
                                                        QString::fromStdString(size.sizeEstimateText)));
    std::fflush(stdout);

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    ProgressBar bar(!quiet && ::isatty(STDERR_FILENO) != 0, size.faceTotal);

    geometry::MeshStore mesh;
    mesh.allocate(parameters.overlapCount, parameters.petalCount);
    geometry::SeededRandom random(seed);
    const bool generated = geometry::makeDaisyMesh(parameters, mesh, random, [&](int facesBefore) {
        bar.show("generate", facesBefore);
        return !g_interrupted;
    });
    if (!generated) {
        bar.finish();
        printLine(stderr, QStringLiteral("中断しました。ファイルは書き込んでいません。"));
        return kExitInterrupted;
    }

    platform::AnsiTextFile file(outputPath);
    if (!file.open()) {
        bar.finish();
        printLine(stderr, file.errorMessage());
        return kExitWriteFailed;
    }
    dxf::CommentInfo info;
    info.fileName = QFileInfo(outputPath).fileName().toStdString();
    info.dateTime = [] { return platform::localDateTimeText(QDateTime::currentDateTime()).toStdString(); };
    info.parameterTexts = texts;
    const dxf::WriteOutcome outcome = dxf::writeOutputFile(format, mesh, parameters.overlapCount, parameters.petalCount, info, file,
                                                         [&](int faces) {
                                                             bar.show("write   ", faces);
                                                             return !g_interrupted;
                                                         });
    bar.finish();
    if (outcome == dxf::WriteOutcome::Cancelled) {
        // An interrupted command leaves the previous file as it was.
        file.discard();
        printLine(stderr, QStringLiteral("中断しました。ファイルは変更していません。"));
        return kExitInterrupted;
    }
    if (outcome == dxf::WriteOutcome::Failed || !file.commit()) {
        printLine(stderr, file.errorMessage());
        return kExitWriteFailed;
    }
    if (!quiet)
        printLine(stdout, QStringLiteral("終了しました: %1").arg(outputPath));
    return 0;
}

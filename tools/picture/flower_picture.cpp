// petalwright-picture: renders what the preview panel shows for six parameter texts, or the
// window's flower picture, into a PNG file. Used by the documentation scripts; runs without a display.
//   petalwright-picture [--preset NAME] [--petals T ...] [--seed N] [--size WxH] [--yaw D] [--pitch D] [--zoom F] OUT.png
//   petalwright-picture --icon N OUT.png

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <optional>

#include "geometry/FlowerParameters.h"
#include "geometry/SampleFlowers.h"
#include "widgets/FlowerPicture.h"
#include "widgets/FormFont.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;

namespace {

constexpr int kExitBadInput = 2;
constexpr int kExitWriteFailed = 1;

int fail(int status, const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return status;
}

std::optional<QSize> parseSize(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
    constexpr int kMaxSide = 4096;
    if (!okW || !okH || w < 16 || h < 16 || w > kMaxSide || h > kMaxSide)
        return std::nullopt;
    return QSize(w, h);
}

} // namespace

int main(int argc, char* argv[])
{
    // No display is needed: the picture is painted off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("petalwright-picture"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the preview of a flower, or the window's flower picture, as PNG."));
    parser.addHelpOption();
    const geometry::ParameterTexts defaults = geometry::defaultParameterTexts();
    const QStringList names = {QStringLiteral("petals"), QStringLiteral("overlap"), QStringLiteral("width"),
                               QStringLiteral("scale"), QStringLiteral("angle-start"), QStringLiteral("angle-end")};
    QList<QCommandLineOption> parameterOptions;
    for (qsizetype i = 0; i < names.size(); ++i)
        parameterOptions.append({names[i], QStringLiteral("Parameter text."), QStringLiteral("TEXT"),
                                 QString::fromStdString(defaults[static_cast<std::size_t>(i)])});
    parser.addOptions(parameterOptions);
    const QCommandLineOption presetOption(QStringLiteral("preset"), QStringLiteral("Start from a named sample flower; parameter options override it."), QStringLiteral("NAME"));
    parser.addOption(presetOption);
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the ring turns."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Picture size."), QStringLiteral("WxH"), QStringLiteral("240x240"));
    const QCommandLineOption yawOption(QStringLiteral("yaw"), QStringLiteral("Turn about the up axis, degrees."), QStringLiteral("D"));
    const QCommandLineOption pitchOption(QStringLiteral("pitch"), QStringLiteral("Elevation of the view, degrees."), QStringLiteral("D"));
    const QCommandLineOption zoomOption(QStringLiteral("zoom"), QStringLiteral("Zoom factor."), QStringLiteral("F"));
    const QCommandLineOption iconOption(QStringLiteral("icon"), QStringLiteral("Write the flower picture, N pixels square, instead."), QStringLiteral("N"));
    parser.addOptions({seedOption, sizeOption, yawOption, pitchOption, zoomOption, iconOption});
    parser.addPositionalArgument(QStringLiteral("OUT.png"), QStringLiteral("The picture to write."));
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(kExitBadInput, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.positionalArguments().size() != 1)
        return fail(kExitBadInput, QStringLiteral("出力するPNGファイルを一つ指定してください。"));
    const QString out = parser.positionalArguments().first();

    QImage image;
    if (parser.isSet(iconOption)) {
        bool ok = false;
        const int side = parser.value(iconOption).toInt(&ok);
        if (!ok || side < 8 || side > 1024)
            return fail(kExitBadInput, QStringLiteral("--icon には 8 から 1024 までの整数を指定してください。"));
        image = widgets::flowerPicture(QSize(side, side)).toImage();
    } else {
        const std::optional<QSize> size = parseSize(parser.value(sizeOption));
        if (!size)
            return fail(kExitBadInput, QStringLiteral("--size は 240x240 のように幅x高さで指定してください。"));
        bool ok = false;
        const quint64 seed = parser.value(seedOption).toULongLong(&ok);
        if (!ok)
            return fail(kExitBadInput, QStringLiteral("--seed には 0 以上の整数を指定してください。"));
        const geometry::SampleFlower* preset = nullptr;
        if (parser.isSet(presetOption) && !(preset = geometry::findSampleFlower(parser.value(presetOption).toStdString()))) {
            QStringList known;
            for (const geometry::SampleFlower& sample : geometry::sampleFlowers())
                known << QString::fromLatin1(sample.name.data(), static_cast<qsizetype>(sample.name.size()));
            return fail(kExitBadInput, QStringLiteral("見本「%1」はありません。次のどれかを指定してください: %2")
                                           .arg(parser.value(presetOption), known.join(QStringLiteral(", "))));
        }
        geometry::ParameterTexts texts;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QCommandLineOption& option = parameterOptions[static_cast<qsizetype>(i)];
            texts[i] = preset && !parser.isSet(option) ? std::string(preset->texts[i]) : parser.value(option).toStdString();
        }

        widgets::installFontSubstitutes();
        windows::FlowerPreview preview;
        preview.resize(*size);
        if (!preview.showFlower(texts, seed))
            return fail(kExitBadInput, QStringLiteral("パラメーターが範囲外です。"));
        windows::PreviewView view;
        const auto number = [&](const QCommandLineOption& option, double fallback) {
            return parser.isSet(option) ? parser.value(option).toDouble() : fallback;
        };
        view.yaw = number(yawOption, view.yaw);
        view.pitch = number(pitchOption, view.pitch);
        view.zoom = number(zoomOption, view.zoom);
        preview.setView(view);
        image = preview.grab().toImage();
    }
    if (!image.save(out, "PNG"))
        return fail(kExitWriteFailed, QStringLiteral("PNGファイルを書き込めませんでした: %1").arg(out));
    return 0;
}

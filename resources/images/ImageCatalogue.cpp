#include "ImageCatalogue.h"

#include "BitmapArt.h"
#include "ButtonArt.h"
#include "GaugeArt.h"
#include "IconArt.h"
#include "IdleArt.h"
#include "Pictograms.h"

namespace {

ImageEntry Round(int id, QPainterPath (*pictogram)(), int width = 205, int height = 51) {
    return {QStringLiteral("png/%1.png").arg(id), width, height,
            [=] { return ButtonArt::RoundStrip(width, height, pictogram()); }};
}

ImageEntry Bar(int id, QPainterPath (*pictogram)()) {
    return {QStringLiteral("png/%1.png").arg(id), 260, 29,
            [=] { return ButtonArt::BarStrip(260, 29, pictogram()); }};
}

}  // namespace

std::vector<ImageEntry> ImageCatalogue() {
    return {
        Bar(164, Pictograms::Folder),
        Bar(162, Pictograms::WasteBin),
        Round(153, Pictograms::SkipBack),
        Round(152, Pictograms::Play),
        Round(167, Pictograms::Pause),
        Round(155, Pictograms::Stop),
        Round(151, Pictograms::SkipForward),
        Round(161, Pictograms::Camera),
        Round(149, Pictograms::CircularArrows),
        {QStringLiteral("png/189.png"), 180, 45,
         [] { return ButtonArt::LightStrip(180, 45, Pictograms::CornerArrows()); }},
        Round(192, Pictograms::StepBack, 208, 51),
        Round(191, Pictograms::StepForward, 208, 51),
        {QStringLiteral("png/220.png"), 160, 160, GaugeArt::KmhDial},
        {QStringLiteral("png/218.png"), 160, 160, GaugeArt::MphDial},
        {QStringLiteral("png/217.png"), 160, 160, GaugeArt::CompassRose},
        {QStringLiteral("png/219.png"), 18, 100, GaugeArt::CompassNeedle},
        {QStringLiteral("png/193.png"), 1280, 720, [] { return IdleArt::IdlePicture(1280, 720); }},
        {QStringLiteral("png/marker.png"), 32, 48, IconArt::MapMarker},
        {QStringLiteral("bitmap/210.png"), 24, 24, BitmapArt::VolumePlus},
        {QStringLiteral("bitmap/211.png"), 24, 24, BitmapArt::VolumeMinus},
        {QStringLiteral("bitmap/156.png"), 2, 11, BitmapArt::LevelBarLit},
        {QStringLiteral("bitmap/157.png"), 2, 11, BitmapArt::LevelBarUnlit},
        {QStringLiteral("bitmap/179.png"), 23, 11, BitmapArt::SliderThumb},
        {QStringLiteral("icon/128.png"), 256, 256, [] { return IconArt::AppIcon(256); }},
        {QStringLiteral("icon/128-48.png"), 48, 48, [] { return IconArt::AppIcon(48); }},
        {QStringLiteral("icon/128-32.png"), 32, 32, [] { return IconArt::AppIcon(32); }},
        {QStringLiteral("icon/128-16.png"), 16, 16, [] { return IconArt::AppIcon(16); }},
        {QStringLiteral("icon/222.png"), 16, 16, IconArt::Padlock},
    };
}

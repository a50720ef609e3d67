#pragma once
// Drawn scenes for the sample card: small landscapes with enough colour, edges and gradients that the
// thumbnails, the preview and the codecs have something worth showing. Every scene is drawn on a
// 640 x 480 canvas (the lighthouse on 480 x 640) and scaled to the size asked for; the same inputs always
// give the same picture.

#include <QImage>
#include <QSize>

namespace samples {

enum class Scene {
    SunsetLake,   // mountains over a lake at sunset; `phase` sails a boat across
    Meadow,       // flowers, hills and a tree under a summer sky
    Lighthouse,   // portrait: a lighthouse on the rocks
    CityNight,    // skyline, moon and stars
    Beach,        // sea, palm and parasol
    Balloons,     // hot-air balloons over hills; `phase` lifts them
    AutumnForest, // a path through autumn trees
};

// The scene at `size`, at time `phase` (0..1) for the scenes that move.
QImage renderScene(Scene scene, QSize size, double phase = 0.0);

// The canvas a scene is drawn on (its natural shape).
QSize canvasSize(Scene scene);

} // namespace samples

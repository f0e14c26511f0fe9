#pragma once

// The still part of the scene the camera looks at: colour bars, a grey step
// wedge, stripes of rising fineness that show how well a picture is scaled,
// and a flat grey field where the sensor's noise is plain to see.

#include <QImage>
#include <QRect>

namespace device {

class TestCard {
public:
    static constexpr QSize size{768, 576};
    // Where the card is one flat grey, with nothing moving over it.
    static constexpr QRect flatField{528, 424, 208, 120};
    // The band of colour bars over which the moving parts of the scene play.
    static constexpr QRect barsArea{0, 0, 768, 346};

    // The card as a live camera sees it.
    static QImage paint();
    // The card as a worn tape recording holds it: less colour, colour that
    // bleeds sideways, and softer detail.
    static QImage paintRecorded(const QImage &card);
};

} // namespace device

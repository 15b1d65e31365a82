#pragma once
// The windows are designed in twips: 15 to a pixel at 96 dots per inch, scaled with the screen's dpi.
namespace tess {

double PixelsPerTwip();
int Px(double twips);
double Twips(int pixels);

}  // namespace tess

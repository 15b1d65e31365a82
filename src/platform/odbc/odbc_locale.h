#pragma once

namespace tess {

// The driver manager hands text to drivers that lack the wide-character calls in the character set
// of the locale; under the plain "C" locale that loses everything beyond ASCII. Call once at start.
void UseUtf8CharacterSet();

}  // namespace tess

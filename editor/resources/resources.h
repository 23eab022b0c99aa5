// Registers the editor's compiled-in pictures (":/new/prefix1/images/...").
// The resource library is static, so its registration must be pulled in by
// a call rather than left to a static initialiser the linker may drop.
#pragma once

void vorneInitResources();

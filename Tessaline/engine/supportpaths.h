#pragma once

struct SliceContext;

// Support of one layer, run on the batch threads before its line fills. joinSupportLines joins the layer's
// support line pieces (cache B); buildSupportBarPaths turns the bars' cross-sections into the layer's
// supportBarPaths. Each touches only its own layer's record and cache slots.
void joinSupportLines(SliceContext &context, int layerIndex);
void buildSupportBarPaths(SliceContext &context, int layerIndex);

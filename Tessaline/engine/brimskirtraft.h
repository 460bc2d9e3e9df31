#pragma once

struct SliceContext;

// Skirt, brim or raft around the first layer: exactly one of them, in that order of precedence, built once
// when layer 0's area is ready. Reads the area of layer 0 (cache C); writes its loops into cache A, or the
// raft's G-code and height into the context.
void BrimSkirtRaft(SliceContext &context);

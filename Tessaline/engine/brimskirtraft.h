#pragma once

struct SliceContext;

// Skirt, brim or raft around the first layer: exactly one of them, in that order of precedence, built once
// when layer 0's area is ready (its coverage is the context's last one). Skirt and brim loops are appended
// to layer 0's line fills, which the ordering prints after the parts' islands; the raft's G-code and height
// go into the context. Either way the last head position moves to where the structure ends.
void BrimSkirtRaft(SliceContext &context);

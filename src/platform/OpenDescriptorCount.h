#pragma once

// Descriptors this process has open now, from a listing of /proc/self/fd
// (the one the listing itself uses is not counted). -1 when it cannot be
// listed, which at the descriptor limit means that none is free.
int openDescriptorCount();

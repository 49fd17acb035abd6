/* VORNA 'C' Library: ring buffers of fixed-size records. */
#ifndef VORNA_H
#define VORNA_H

#include <stddef.h>

typedef struct vorna_ring vorna_ring;

vorna_ring *vorna_open(size_t record_size, unsigned capacity);
int vorna_put(vorna_ring *ring, const void *record);
int vorna_get(vorna_ring *ring, void *record);
void vorna_close(vorna_ring *ring);

#endif

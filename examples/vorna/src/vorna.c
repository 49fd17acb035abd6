/* VORNA 'C' Library: ring buffers of fixed-size records. */
#include "vorna.h"

#include <stdlib.h>
#include <string.h>

struct vorna_ring {
    size_t record_size;
    unsigned capacity, head, count;
    unsigned char *records;
};

vorna_ring *vorna_open(size_t record_size, unsigned capacity) {
    vorna_ring *ring = calloc(1, sizeof *ring);
    if (ring == NULL) return NULL;
    ring->records = malloc(record_size * capacity);
    if (ring->records == NULL) {
        free(ring);
        return NULL;
    }
    ring->record_size = record_size;
    ring->capacity = capacity;
    return ring;
}

int vorna_put(vorna_ring *ring, const void *record) {
    if (ring->count == ring->capacity) return -1;
    unsigned slot = (ring->head + ring->count) % ring->capacity;
    memcpy(ring->records + slot * ring->record_size, record, ring->record_size);
    ring->count++;
    return 0;
}

int vorna_get(vorna_ring *ring, void *record) {
    if (ring->count == 0) return -1;
    memcpy(record, ring->records + ring->head * ring->record_size, ring->record_size);
    ring->head = (ring->head + 1) % ring->capacity;
    ring->count--;
    return 0;
}

void vorna_close(vorna_ring *ring) {
    if (ring != NULL) free(ring->records);
    free(ring);
}

/* Fills a ring with the numbers 1 to 5 and reads them back. */
#include <stdio.h>

#include "vorna.h"

int main(void) {
    vorna_ring *ring = vorna_open(sizeof(int), 5);
    if (ring == NULL) return 1;
    for (int i = 1; i <= 5; i++) vorna_put(ring, &i);
    int value;
    while (vorna_get(ring, &value) == 0) printf("%d\n", value);
    vorna_close(ring);
    return 0;
}

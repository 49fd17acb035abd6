// Code lengths: a Huffman code first, computed in place on the sorted weights in linear time; only when
// its longest code passes the limit, package-merge, which is optimal under the limit. Trying Huffman first
// keeps the common case cheap, since block splitting prices many candidate blocks.
#include "encoder/code_lengths.h"

#include <algorithm>

namespace encoder {

namespace {

// Moffat and Katajainen's in-place Huffman: on entry a[0..n) holds weights in non-decreasing order; on
// exit a[i] is the code length of the i-th lightest symbol. Presumes n >= 2.
void huffman_in_place(std::uint32_t* a, int n) {
    // First pass: combine pairs left to right; a[next] becomes an internal node's weight, and a consumed
    // internal node's slot becomes the index of its parent.
    a[0] += a[1];
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = static_cast<std::uint32_t>(next);
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = static_cast<std::uint32_t>(next);
        } else {
            a[next] += a[leaf++];
        }
    }
    // Second pass: internal node depths from the root (at n - 2) down.
    a[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
    // Third pass: hand out leaf depths, deepest to the lightest symbols.
    int available = 1;
    int used = 0;
    std::uint32_t depth = 0;
    int root_at = n - 2;
    int next = n - 1;
    while (available > 0) {
        while (root_at >= 0 && a[root_at] == depth) {
            ++used;
            --root_at;
        }
        while (available > used) {
            a[next--] = depth;
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

// Package-merge over the n sorted weights in scratch.order (through frequencies): the deepest level holds
// the leaves; each shallower level merges the leaves with the pairwise packages of the level below. The
// 2n - 2 lightest items of the top level decide, level by level, how many leaves take one more bit.
void package_merge(const std::uint32_t* frequencies, int n, int max_length, std::uint8_t* lengths,
                   code_length_scratch& scratch) {
    auto& items = scratch.items;
    auto& packages = scratch.packages;
    const int deepest = max_length - 1;
    for (int i = 0; i < n; ++i) {
        items[i] = frequencies[scratch.order[i]];
        scratch.is_package[deepest][i] = 0;
    }
    scratch.item_count[deepest] = static_cast<std::uint16_t>(n);
    for (int level = deepest - 1; level >= 0; --level) {
        const int package_count = scratch.item_count[level + 1] / 2;
        for (int p = 0; p < package_count; ++p) packages[p] = items[2 * p] + items[2 * p + 1];
        int leaf = 0;
        int package = 0;
        int out = 0;
        auto& flags = scratch.is_package[level];
        while (leaf < n || package < package_count) {
            const bool take_leaf =
                package >= package_count ||
                (leaf < n && std::uint64_t{frequencies[scratch.order[leaf]]} <= packages[package]);
            if (take_leaf) {
                items[out] = frequencies[scratch.order[leaf++]];
                flags[out++] = 0;
            } else {
                items[out] = packages[package++];
                flags[out++] = 1;
            }
        }
        scratch.item_count[level] = static_cast<std::uint16_t>(out);
    }
    int take = 2 * n - 2;
    for (int level = 0; level < max_length && take > 0; ++level) {
        int leaves = 0;
        for (int i = 0; i < take; ++i) leaves += scratch.is_package[level][i] == 0;
        // Leaves sit in a level's list in rising weight, so the first `leaves` of them are active here.
        for (int i = 0; i < leaves; ++i) ++lengths[scratch.order[i]];
        take = 2 * (take - leaves);
    }
}

}  // namespace

int build_code_lengths(const std::uint32_t* frequencies, int count, int max_length, std::uint8_t* lengths,
                       code_length_scratch& scratch) {
    int n = 0;
    for (int s = 0; s < count; ++s) {
        lengths[s] = 0;
        if (frequencies[s] != 0) scratch.keys[n++] = std::uint64_t{frequencies[s]} << 16 | std::uint64_t(s);
    }
    if (n < 2) return n;
    // Plain integer keys sort several times faster than symbols compared through their frequencies, and
    // block splitting sorts the symbol alphabet twice for every segment.
    std::sort(scratch.keys.begin(), scratch.keys.begin() + n);
    for (int i = 0; i < n; ++i) scratch.order[i] = static_cast<std::uint16_t>(scratch.keys[i]);
    for (int i = 0; i < n; ++i) scratch.depth[i] = frequencies[scratch.order[i]];
    huffman_in_place(scratch.depth.data(), n);
    // The lightest symbol has the longest code.
    if (scratch.depth[0] <= static_cast<std::uint32_t>(max_length)) {
        for (int i = 0; i < n; ++i) lengths[scratch.order[i]] = static_cast<std::uint8_t>(scratch.depth[i]);
        return n;
    }
    package_merge(frequencies, n, max_length, lengths, scratch);
    return n;
}

}  // namespace encoder

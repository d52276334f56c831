// The deep search proper: alpha-beta over the padded board, fail-soft, with
// null windows after the first move, the table, move ordering and the
// helpers' offers; the root, which values the moves that can tie the best;
// and iterative deepening. Promises the node tree search's value and best
// moves at every depth (the one place that restates the rules, last_ply, is
// kept to the same results). Relies on the table's bounds holding for their
// depth, and on moves never changing the stones in play.
#include "engine/deep/search.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>

#include "engine/deep/ordering.h"
#include "engine/deep/probe.h"
#include "engine/moves.h"

namespace deep {

using moves::is_over;
using moves::row_empty;
using moves::top_total;

namespace {

// Stones of the sowing window [a, b] of places that fall in [lo, hi].
inline int overlap(int a, int b, int lo, int hi)
{
    const int n = std::min(b, hi) - std::max(a, lo) + 1;
    return n > 0 ? n : 0;
}

} // namespace

// Called once each, from the search below and child_value: inline, so that
// they are compiled into the recursion.
// The value of a node one move above the depth limit, whose moves are all
// leaves: each move is valued by counting where its stones fall along the
// sowing path, and the capture rule is applied to those counts, without
// sowing it on a copy (the one place the rules are restated, for speed: the
// deepest level is most of the search). Boards with no negative bin only.
//
// The mover sows over 13 places, numbered here from its own row: its bins
// 0..5, its store 6, the other side's bins 7..12 in sowing order. Own place
// t faces place 12 - t.
[[gnu::always_inline]] inline outcome deep_search::last_ply(const padded_board& p, int alpha, int beta)
{
    const int32_t* b = p.b;
    const bool top = p.turn == TOP_STORE;
    const int own = first_bin(p.turn);
    const int other = top ? 0 : 7;
    const int own_sum = b[own] + b[own + 1] + b[own + 2] + b[own + 3] + b[own + 4] + b[own + 5];
    const int other_sum = b[other] + b[other + 1] + b[other + 2] + b[other + 3] + b[other + 4] + b[other + 5];
    const int h = top_total(b);

    int best = top ? -INF : INF;
    bool all_settled = true;
    for (int j = 0; j < 6; ++j) {
        const int s = b[own + j];
        if (s <= 0)
            continue;
        ++nodes;
        // Whole laps put a stone on every place; the rest fall on places
        // j+1 .. j+q, wrapping past place 12.
        const int laps = s / 13, q = s % 13;
        int own_land = 6 * laps, other_land = 6 * laps;
        if (q > 0) {
            const int end = j + q;
            own_land += overlap(j + 1, std::min(end, 12), 0, 5);
            other_land += overlap(j + 1, std::min(end, 12), 7, 12);
            if (end > 12)
                own_land += overlap(0, end - 13, 0, 5);
        }
        auto landed = [&](int t) { // stones this move drops on place t
            int d = t - j;
            if (d <= 0)
                d += 13;
            return laps + (d <= q ? 1 : 0);
        };

        // Stones that cross to the other row leave the mover's total.
        int own_after = own_sum - s + own_land;
        int other_after = other_sum + other_land;
        int v = top ? h - other_land : h + other_land;
        const int last = (j + s) % 13;
        bool scored = last == 6; // in the own store: an extra turn
        if (last < 6) {
            const int at = (last == j ? 0 : b[own + last]) + landed(last);
            const int f = 12 - last;
            const int facing = b[top ? f - 7 : f] + landed(f);
            if (at == 1 && (facing > 0 || caps_)) {
                own_after -= 1;
                other_after -= facing;
                v += top ? facing : -facing;
                scored = true;
            }
        }
        // After an extra turn or a capture the game is over when a row is
        // empty. After a plain move the other side moves, and with no
        // stones it has no move at any depth.
        const bool settled = scored ? (own_after <= 0 || other_after <= 0) : other_after <= 0;

        if (top ? v > best : v < best) {
            best = v;
            if (top ? best >= beta : best <= alpha)
                return {best, settled};
        }
        all_settled = all_settled && settled;
    }
    return {best, all_settled};
}

[[gnu::always_inline]] inline outcome deep_search::search(const padded_board& p, int r, int alpha, int beta)
{
    if ((++poll_ & 255) == 0 && (search_stop_requested() || quit_->load(std::memory_order_relaxed) ||
                                 (helping_ && share_->offer() != helping_)))
        stopped = true;
    if (stopped)
        return {0, false};

    const int32_t* b = p.b;
    const bool top = p.turn == TOP_STORE;
    if (row_empty(b, first_bin(p.turn)))
        return {top_total(b), true};

    // Stores never lose stones: the top side ends with at least its store,
    // and at most what is not in the bottom side's store.
    if (bounded_) {
        const int low = b[TOP_STORE], high = total_ - b[BOTTOM_STORE];
        if (low >= beta)
            return {low, true};
        if (high <= alpha)
            return {high, true};
        if (r == 1)
            return last_ply(p, alpha, beta);
    }

    probe_result q;
    int hint = -1;
    bool window_settled = true;
    if (table_ && r >= TABLE_MIN_DEPTH && r <= MAX_TABLE_DEPTH) {
        probe(p, r, q);
        hint = q.hint;
        if (q.found) {
            if (q.lo >= beta)
                return {q.lo, q.lo_settled};
            if (q.hi <= alpha)
                return {q.hi, q.hi_settled};
            if (q.lo == q.hi)
                return {q.lo, q.lo_settled && q.hi_settled};
            if (q.lo > alpha) {
                alpha = q.lo;
                window_settled = q.lo_settled;
            }
            if (q.hi < beta) {
                beta = q.hi;
                window_settled = window_settled && q.hi_settled;
            }
        }
    }

    int moves[6];
    const int n = order(p, hint, r, moves);
    const int a0 = alpha, b0 = beta;
    int best = top ? -INF : INF;
    int best_move = -1;
    bool settled = true;
    // On the main line the moves after the first are offered to helpers;
    // the ones they took come last.
    const bool may_offer = share_ && !helper_ && !offered_ && r >= SPLIT_MIN_DEPTH && n > 1;
    offer_guard offer{may_offer ? this : nullptr};
    int later[6];
    int nlater = 0;
    for (int i = 0; i < n + nlater; ++i) {
        const int k = i < n ? i : later[i - n];
        if (i == 1 && may_offer && beta - alpha > 1)
            offer.open(p, r, moves, n, false, top ? alpha : beta);
        if (offer.id && i > 0 && i < n && !share_->claim(offer.id, k)) {
            later[nlater++] = k;
            continue;
        }
        if (offer.id)
            share_->set_current(k);
        const int m = moves[k];
        outcome o;
        if (i == 0) {
            o = child_value(p, m, r, alpha, beta);
        } else if (top) {
            // The first move is likely the best: the others are only tested
            // against it, and searched in full when they beat it.
            o = child_value(p, m, r, alpha, alpha + 1);
            if (!stopped && o.v > alpha && o.v < beta)
                o = child_value(p, m, r, alpha, beta);
        } else {
            o = child_value(p, m, r, beta - 1, beta);
            if (!stopped && o.v < beta && o.v > alpha)
                o = child_value(p, m, r, alpha, beta);
        }
        if (stopped)
            return {0, false};

        if (top ? o.v > best : o.v < best) {
            best = o.v;
            best_move = m;
        }
        if (top ? best >= beta : best <= alpha) {
            // A refutation rests on this one move alone.
            settled = o.settled;
            if (r < KILLER_DEPTHS && killer_[r][0] != m) {
                killer_[r][1] = killer_[r][0];
                killer_[r][0] = static_cast<int8_t>(m);
            }
            history_[m] += r < 1000 ? r * r : 1000000;
            if (history_[m] > (1 << 26))
                for (int& h : history_)
                    h >>= 1;
            break;
        }
        settled = settled && o.settled;
        if (top)
            alpha = std::max(alpha, best);
        else
            beta = std::min(beta, best);
        if (offer.id)
            share_->set_bound(top ? alpha : beta);
    }
    // A value just outside a window the table narrowed is exact only with
    // the table's bound.
    settled = settled && window_settled;

    if (q.bucket) {
        // A side of the window the search did not settle keeps the bound
        // the stores give, which holds at every depth.
        int lo = b[TOP_STORE], hi = total_ - b[BOTTOM_STORE];
        bool lo_settled = true, hi_settled = true;
        if (best > a0) {
            lo = best;
            lo_settled = settled;
        }
        if (best < b0) {
            hi = best;
            hi_settled = settled;
        }
        store(q.bucket, q.k0, q.k1, r, lo, lo_settled, hi, hi_settled, best > a0 ? best_move : -1);
    }
    return {best, settled};
}

// Plays move m from p and values the child: a move that ended the game and a
// child at the depth limit are leaves; any other child is searched.
outcome deep_search::child_value(const padded_board& p, int m, int r, int alpha, int beta)
{
    padded_board c = p;
    ++nodes;
    const int other = other_side(p.turn);
    const moves::sow_end end = sow_fast(c, m, caps_);
    if (end == moves::SOW_PLAIN) {
        c.turn = other;
    } else {
        const int h = top_total(c.b);
        if (is_over(c.b, h))
            return {h, true};
        c.turn = end == moves::SOW_EXTRA_TURN ? p.turn : other;
    }
    if (r <= 1) {
        // A side with no stones would make no move at any greater depth.
        return {top_total(c.b), row_empty(c.b, first_bin(c.turn))};
    }
    return search(c, r - 1, alpha, beta);
}

bool deep_search::root(const padded_board& p, int d)
{
    age_ = static_cast<uint8_t>(d);
    const bool top = p.turn == TOP_STORE;
    if (nroot_ == 0)
        nroot_ = order(p, -1, KILLER_DEPTHS, root_moves_);

    int value[6];
    best = top ? -INF : INF;
    nties = 0;
    settled = true;
    // Moves a helper took are searched last, when their values are likely
    // in the table.
    int later[6];
    int nlater = 0;
    offer_guard offer{share_ ? this : nullptr};
    for (int i = 0; i < nroot_ + nlater; ++i) {
        const int k = i < nroot_ ? i : later[i - nroot_];
        if (i == 1 && offer.s)
            offer.open(p, d, root_moves_, nroot_, true, best, ties[0]);
        if (offer.id && i > 0 && i < nroot_ && !share_->claim(offer.id, k)) {
            later[nlater++] = k;
            continue;
        }
        if (offer.id)
            share_->set_current(k);
        const int m = root_moves_[k];
        int alpha = -INF, beta = INF;
        if (nties > 0)
            root_window(top, want_, best, ties[0], m, &alpha, &beta);
        const outcome o = child_value(p, m, d, alpha, beta);
        if (stopped)
            return false;
        value[k] = o.v;
        root_value[m] = o.v;
        settled = settled && o.settled;
        if (nties == 0 || (top ? o.v > best : o.v < best)) {
            best = o.v;
            nties = 0;
        }
        if (o.v == best) {
            if (want_ != root_want::farthest_best || nties == 0)
                ties[nties++] = m;
            else if (m < ties[0])
                ties[0] = m;
        }
        if (offer.id)
            share_->set_bound(best, ties[0]);
    }

    // The next iteration tries the best moves first.
    for (int k = 1; k < nroot_; ++k)
        insert_sorted(value, root_moves_, k, value[k], root_moves_[k],
                      [top](int a, int b) { return top ? a > b : a < b; });
    return true;
}

// Iterative deepening to remaining depth r: each iteration leaves in the
// table the moves that order the next. Steps of two: a depth and the one
// after it favour opposite sides, and the moves that were best two levels
// shallower order the next iteration better than the last one's. True when
// the answer is found (at depth r, or settled: no depth cut it off).
bool deepen(deep_search& s, const padded_board& p, int r, int* reached)
{
    for (int d = 2 - r % 2;; d = d < r - 2 ? d + 2 : r) {
        if (!s.root(p, d))
            return false;
        *reached = d;
        if (d == r || s.settled)
            return true;
    }
}

} // namespace deep

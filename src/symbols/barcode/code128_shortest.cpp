// The shortest Code 128 symbol for a byte string: a dynamic programme over the position in
// the data, the code set in force and the extended-ASCII latch, so every choice of start,
// change of set, shift and FNC4 is weighed and none is guessed.
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

constexpr int kShift = 98;
constexpr int kCodeC = 99;
constexpr int kCodeB = 100;  // FNC4 in code set B
constexpr int kCodeA = 101;  // FNC4 in code set A
constexpr int kStartA = 103;
constexpr int kStartB = 104;
constexpr int kStartC = 105;

enum Set : int { kA = 0, kB = 1, kC = 2 };
constexpr int kSets = 3;
constexpr int kUnreachable = std::numeric_limits<int>::max() / 4;

// Value of an ASCII byte in code set A (NUL..US and space.._) or B (space..DEL); -1 if the set
// lacks it.
int ValueIn(Set set, uint8_t c) {
  if (set == kA) {
    if (c < 32) return c + 64;
    if (c < 96) return c - 32;
    return -1;
  }
  if (c >= 32 && c < 128) return c - 32;
  return -1;
}

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The value that changes from `from` to `to` (never called for from == to).
int ChangeTo(Set to) { return to == kA ? kCodeA : to == kB ? kCodeB : kCodeC; }
int Fnc4In(Set set) { return set == kA ? kCodeA : kCodeB; }

// How the data at one position is written in one state.
enum class Step : uint8_t {
  kNone,     // cannot be written in this state
  kPlain,    // one value in the set (a digit pair in C)
  kShifted,  // Shift, then the value of the other of A and B
  kFnc4,     // FNC4, then one value: the byte's other half (128 added or taken away)
};

// A state: the code set in force and whether extended ASCII is latched (FNC4 twice: every
// following A or B value stands for its byte plus 128, until FNC4 twice again).
constexpr int kStates = 2 * kSets;
constexpr int StateOf(Set set, bool extended) { return set + (extended ? kSets : 0); }
constexpr Set SetOf(int state) { return static_cast<Set>(state % kSets); }
constexpr bool ExtendedOf(int state) { return state >= kSets; }

// What is done before the step at a position: nothing, a change of set, or the latch
// toggled (FNC4 twice), leading to another state.
enum class Op : uint8_t { kNone, kChange, kToggle };

struct Choice {
  int cost = kUnreachable;  // values for the data from here to the end
  Step step = Step::kNone;
  Op op = Op::kNone;
  int8_t next = -1;  // the state the op leads to
};

}  // namespace

std::vector<int> Code128ShortestValues(std::string_view data) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  const size_t n = data.size();
  // best[i][state]: the fewest values for bytes[i..n) from that state, and how.
  std::vector<std::array<Choice, kStates>> best(n + 1);
  for (Choice& c : best[n]) c.cost = 0;
  for (size_t i = n; i-- > 0;) {
    std::array<Choice, kStates>& here = best[i];
    const uint8_t c = bytes[i];
    for (int st = 0; st < kStates; ++st) {
      const Set set = SetOf(st);
      const bool extended = ExtendedOf(st);
      Choice& choice = here[st];
      if (set == kC) {
        if (i + 1 < n && IsDigit(c) && IsDigit(bytes[i + 1]))
          choice = {1 + best[i + 2][st].cost, Step::kPlain};
        continue;
      }
      const Set other = set == kA ? kB : kA;
      // The byte as this state writes it plainly: its low seven bits, when the latch matches
      // its high bit; otherwise FNC4 gives the one value the other half.
      const bool high = c >= 128;
      const uint8_t low = static_cast<uint8_t>(c & 0x7F);
      const int next = best[i + 1][st].cost;
      if (high == extended) {
        if (ValueIn(set, low) >= 0)
          choice = {1 + next, Step::kPlain};
        else if (ValueIn(other, low) >= 0)
          choice = {2 + next, Step::kShifted};
      } else if (ValueIn(set, low) >= 0) {
        choice = {2 + next, Step::kFnc4};
      }
    }
    // Changes of set (one value) and latch toggles (two values, in A or B) before the step,
    // as many as pay; ties keep the state in force.
    for (int round = 0; round < 3; ++round) {
      for (int st = 0; st < kStates; ++st) {
        const Set set = SetOf(st);
        const bool extended = ExtendedOf(st);
        for (int to = 0; to < kStates; ++to) {
          if (to == st) continue;
          int cost;
          Op op;
          if (ExtendedOf(to) == extended) {
            cost = 1, op = Op::kChange;
          } else if (SetOf(to) == set && set != kC) {
            cost = 2, op = Op::kToggle;
          } else {
            continue;
          }
          if (here[to].cost < kUnreachable && cost + here[to].cost < here[st].cost)
            here[st] = {cost + here[to].cost, Step::kNone, op, static_cast<int8_t>(to)};
        }
      }
    }
  }

  // The start: B unless another set is strictly shorter (C before A among the others).
  int state = StateOf(kB, false);
  for (Set s : {kC, kA})
    if (best[0][StateOf(s, false)].cost < best[0][state].cost) state = StateOf(s, false);
  std::vector<int> values;
  values.reserve(static_cast<size_t>(best[0][state].cost) + 1);
  const Set first = SetOf(state);
  values.push_back(first == kA ? kStartA : first == kB ? kStartB : kStartC);
  for (size_t i = 0; i < n;) {
    const Choice* choice = &best[i][state];
    while (choice->op != Op::kNone) {
      if (choice->op == Op::kChange) {
        values.push_back(ChangeTo(SetOf(choice->next)));
      } else {
        values.push_back(Fnc4In(SetOf(state)));
        values.push_back(Fnc4In(SetOf(state)));
      }
      state = choice->next;
      choice = &best[i][state];
    }
    const Set set = SetOf(state);
    const uint8_t c = bytes[i];
    const uint8_t low = static_cast<uint8_t>(c & 0x7F);
    switch (choice->step) {
      case Step::kPlain:
        if (set == kC) {
          values.push_back((c - '0') * 10 + (bytes[i + 1] - '0'));
          i += 2;
          continue;
        }
        values.push_back(ValueIn(set, low));
        break;
      case Step::kShifted:
        values.push_back(kShift);
        values.push_back(ValueIn(set == kA ? kB : kA, low));
        break;
      case Step::kFnc4:
        values.push_back(Fnc4In(set));
        values.push_back(ValueIn(set, low));
        break;
      case Step::kNone:
        break;  // unreachable: every byte can be written from some state
    }
    ++i;
  }
  return values;
}

std::string Code128ValuesText(const std::vector<int>& values) {
  std::string text;
  text.reserve(values.size() * 4);
  for (int v : values) {
    text += '!';
    text += static_cast<char>('0' + v / 100);
    text += static_cast<char>('0' + v / 10 % 10);
    text += static_cast<char>('0' + v % 10);
  }
  return text;
}

}  // namespace velin

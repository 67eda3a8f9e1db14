// Fills every JNI slot with a function that ends the process naming the slot, before the real ones go in.
#include "vm_state.h"

#include <array>
#include <utility>

namespace minijni {

namespace {

constexpr const char* kSlotNames[] = {
#define DRX_JNI_SLOT(name) #name,
#include "jni_slot_names.inc"
#undef DRX_JNI_SLOT
};
constexpr size_t kSlotCount = sizeof(kSlotNames) / sizeof(kSlotNames[0]);
constexpr size_t kReservedSlots = 4;

static_assert(sizeof(JNINativeInterface_) == (kReservedSlots + kSlotCount) * sizeof(void*),
              "the slot name list does not match this jni.h");

// Never returns, so the mismatch of its signature with the slot's type never reaches a return.
template <size_t N>
void JNICALL unimplemented() {
  failLoudly(std::string("JNI function ") + kSlotNames[N] +
             " is not implemented by the mini JNI environment");
}

using Trap = void(JNICALL*)();

template <size_t... N>
constexpr std::array<Trap, sizeof...(N)> makeTraps(std::index_sequence<N...>) {
  return {&unimplemented<N>...};
}

}  // namespace

void fillWithUnimplementedSlots(JNINativeInterface_& table) {
  static constexpr auto kTraps = makeTraps(std::make_index_sequence<kSlotCount>());
  auto* slots = reinterpret_cast<void**>(&table);
  for (size_t i = 0; i < kReservedSlots; ++i) slots[i] = nullptr;
  for (size_t i = 0; i < kSlotCount; ++i) slots[kReservedSlots + i] = reinterpret_cast<void*>(kTraps[i]);
}

}  // namespace minijni

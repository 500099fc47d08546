#include <atomic>

#include "DriverInterface/DriverIO.h"

namespace {
// Atomics only to make the whole-value reads and writes explicit; there is no
// ordering between the two ids, as the callers expect none.
std::atomic<uint16_t> g_vendorID{kDefaultVendorID};
std::atomic<uint16_t> g_productID{kDefaultProductID};
}  // namespace

void SetDeviceIdentity(uint16_t vendor, uint16_t product) {
    g_vendorID.store(vendor, std::memory_order_relaxed);
    g_productID.store(product, std::memory_order_relaxed);
}

void GetDeviceIdentity(uint16_t& vendor, uint16_t& product) {
    vendor = g_vendorID.load(std::memory_order_relaxed);
    product = g_productID.load(std::memory_order_relaxed);
}

#pragma once

// Owners for sd-bus's reference-counted objects, so a connection, a slot or
// an error never outlives its scope. Header-only: a user links libsystemd
// itself, as the platform library does.

#include <systemd/sd-bus.h>

#include <cstring>
#include <memory>
#include <string>

namespace plat {

struct BusDeleter {
    // Closes without flushing: an owner that ends never waits for a bus
    // that does not read.
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusDeleter>;

struct BusSlotDeleter {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using BusSlot = std::unique_ptr<sd_bus_slot, BusSlotDeleter>;

// An sd-bus error that frees itself.
class BusError {
public:
    BusError() = default;
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    ~BusError() { sd_bus_error_free(&error_); }

    sd_bus_error* get() { return &error_; }
    // The bus's message, else the text of the negative errno result.
    std::string text(int result) const
    {
        return error_.message != nullptr ? error_.message : std::strerror(-result);
    }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

} // namespace plat

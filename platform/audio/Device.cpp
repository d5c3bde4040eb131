#include "platform/audio/Device.h"

#include <new>
#include <system_error>

#include "platform/audio/Backend.h"
#include "platform/audio/DeviceEngine.h"

namespace plat::audio {

Result Device::open(Direction direction, int index, const PcmFormat& format, BlockCallback callback,
                    void* context, std::unique_ptr<Device>& device)
{
    std::string reason;
    return open(direction, index, format, callback, context, device, reason);
}

Result Device::open(Direction direction, int index, const PcmFormat& format, BlockCallback callback,
                    void* context, std::unique_ptr<Device>& device, std::string& reason)
{
    device.reset();
    reason.clear();
    try {
        std::unique_ptr<Stream> stream;
        Result result = openBackendStream(direction, index, format, stream, reason);
        if (result != Result::Ok)
            return result;
        auto engine = std::make_unique<DeviceEngine>(direction, format, callback, context, std::move(stream));
        device.reset(new Device(std::move(engine)));
        return Result::Ok;
    } catch (const std::bad_alloc&) {
        return Result::NoMemory;
    } catch (const std::system_error&) {
        return Result::Error; // no thread could be started
    }
}

Device::Device(std::unique_ptr<DeviceEngine> engine) : engine_(std::move(engine)) {}

Device::~Device() = default;

Direction Device::direction() const
{
    return engine_->direction();
}

const PcmFormat& Device::format() const
{
    return engine_->format();
}

Result Device::prepareBlock(Block& block)
{
    return engine_->prepare(block);
}

Result Device::unprepareBlock(Block& block)
{
    return engine_->unprepare(block);
}

Result Device::queue(Block& block)
{
    return engine_->queue(block);
}

Result Device::pause()
{
    if (engine_->direction() != Direction::Output)
        return Result::NotSupported;
    return engine_->setRunning(false);
}

Result Device::restart()
{
    if (engine_->direction() != Direction::Output)
        return Result::NotSupported;
    return engine_->setRunning(true);
}

Result Device::start()
{
    if (engine_->direction() != Direction::Input)
        return Result::NotSupported;
    return engine_->setRunning(true);
}

Result Device::stop()
{
    if (engine_->direction() != Direction::Input)
        return Result::NotSupported;
    return engine_->stopInput();
}

Result Device::reset()
{
    return engine_->reset();
}

Result Device::close()
{
    return engine_->close();
}

DeviceCounters Device::counters() const
{
    return engine_->counters();
}

uint64_t Device::xruns() const
{
    return engine_->xruns();
}

} // namespace plat::audio

#pragma once

#include <memory>

namespace zkr {

// The one application object of a plug-in library: made and started up when
// the library is loaded, shut down and gone when it is unloaded, before and
// after every other call. Used on the thread that loads and unloads the
// library only. T has startUp() and shutDown().
template <typename T>
class LibraryApplication {
public:
    static void start()
    {
        if (object())
            return;
        object() = std::make_unique<T>();
        object()->startUp();
    }
    static void stop()
    {
        if (!object())
            return;
        object()->shutDown();
        object().reset();
    }
    // Null outside start .. stop.
    static T* get() { return object().get(); }

private:
    static std::unique_ptr<T>& object()
    {
        static std::unique_ptr<T> made;
        return made;
    }
};

// A library's static object whose life is the application's.
template <typename T>
struct LibraryLifetime {
    LibraryLifetime() { LibraryApplication<T>::start(); }
    ~LibraryLifetime() { LibraryApplication<T>::stop(); }
    LibraryLifetime(const LibraryLifetime&) = delete;
    LibraryLifetime& operator=(const LibraryLifetime&) = delete;
};

} // namespace zkr

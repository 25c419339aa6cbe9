#pragma once

#include <QString>

#include <cstdint>

/// Keeps the machine from idle sleep while long work runs.
///
/// Backed by systemd-logind: create() asks `Inhibit("idle", who, why,
/// "block")`, `who` being the main bundle's name, on the system bus and keeps the file descriptor
/// it returns as the assertion's identifier; release() closes it, which ends the inhibition. Where
/// no logind answers (a build machine, a container) create() fails with a non-zero code and nothing
/// is held. Callable from any thread; each call opens its own short-lived bus connection.
class PowerAssertion {
public:
    /// The only kind of assertion this layer knows: no idle sleep.
    static const QString& noIdleSleepType();
    /// The level at which an assertion is on.
    static constexpr int LevelOn = 255;

    enum Result : int32_t {
        Success = 0,
        Unsupported = -1,  ///< type or level not understood
        NotAvailable = -2, ///< no system bus or no logind on it
        Refused = -3,      ///< logind answered with an error
    };

    /// Creates the assertion; on success stores its identifier in `id` and
    /// returns 0, otherwise returns a non-zero Result and leaves `id` alone.
    static int32_t createWithName(const QString& type, int level, const QString& name,
                                  uint32_t* id);
    /// Releases an assertion made by createWithName().
    static int32_t release(uint32_t id);
};

#include "rtkit.h"

#include <dbus/dbus.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

constexpr char rtkit_service[] = "org.freedesktop.RealtimeKit1";
constexpr char rtkit_path[] = "/org/freedesktop/RealtimeKit1";
constexpr char rtkit_interface[] = "org.freedesktop.RealtimeKit1";
// Where the system bus listens when the environment names no other.
constexpr char default_system_bus[] = "unix:path=/var/run/dbus/system_bus_socket";

struct close_connection {
    void operator()(DBusConnection* connection) const
    {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct unref_message {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using connection_ptr = std::unique_ptr<DBusConnection, close_connection>;
using message_ptr = std::unique_ptr<DBusMessage, unref_message>;

// libdbus reports failures through a DBusError that must be freed; only
// whether a call failed matters here.
class bus_error {
public:
    bus_error() { dbus_error_init(&error_); }
    ~bus_error() { dbus_error_free(&error_); }
    bus_error(const bus_error&) = delete;
    bus_error& operator=(const bus_error&) = delete;
    DBusError* get() { return &error_; }

private:
    DBusError error_;
};

class deadline {
public:
    explicit deadline(std::chrono::milliseconds budget) : end_(std::chrono::steady_clock::now() + budget) {}
    // Whole milliseconds left, rounded up; 0 once the deadline has passed.
    int remaining_ms() const
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }

private:
    std::chrono::steady_clock::time_point end_;
};

// The reply to `request`, or null on an error reply, a lost connection or
// no answer before the deadline.
message_ptr call(DBusConnection* connection, DBusMessage* request, const deadline& by)
{
    const int timeout = by.remaining_ms();
    if (request == nullptr || timeout == 0)
        return nullptr;
    bus_error error;
    return message_ptr(dbus_connection_send_with_reply_and_block(connection, request, timeout, error.get()));
}

// Drives the connection's handshake until the bus has authenticated it.
// A message sent before that waits for the handshake without any timeout.
bool authenticate(DBusConnection* connection, const deadline& by)
{
    while (!dbus_connection_get_is_authenticated(connection)) {
        const int timeout = by.remaining_ms();
        if (timeout == 0 || !dbus_connection_read_write(connection, timeout))
            return false;
    }
    return true;
}

// A private connection to the system bus, registered with it. The Hello
// that registers it is sent here rather than by dbus_bus_register, which
// would wait for the answer with libdbus's default timeout of 25 s.
connection_ptr connect_to_system_bus(const deadline& by)
{
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    bus_error error;
    connection_ptr connection(dbus_connection_open_private(address ? address : default_system_bus, error.get()));
    if (!connection)
        return nullptr;
    dbus_connection_set_exit_on_disconnect(connection.get(), false);
    if (!authenticate(connection.get(), by))
        return nullptr;
    const message_ptr hello(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                         "org.freedesktop.DBus", "Hello"));
    const message_ptr reply = call(connection.get(), hello.get(), by);
    const char* unique_name = nullptr;
    if (!reply ||
        !dbus_message_get_args(reply.get(), error.get(), DBUS_TYPE_STRING, &unique_name, DBUS_TYPE_INVALID) ||
        !dbus_bus_set_unique_name(connection.get(), unique_name))
        return nullptr;
    return connection;
}

// Reads one of RTKit's properties of the D-Bus type `type` into `value`.
bool get_property(DBusConnection* connection, const char* name, int type, void* value, const deadline& by)
{
    const message_ptr request(
        dbus_message_new_method_call(rtkit_service, rtkit_path, "org.freedesktop.DBus.Properties", "Get"));
    const char* interface = rtkit_interface;
    if (!request || !dbus_message_append_args(request.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                              DBUS_TYPE_INVALID))
        return false;
    const message_ptr reply = call(connection, request.get(), by);
    DBusMessageIter arguments;
    DBusMessageIter variant;
    if (!reply || !dbus_message_iter_init(reply.get(), &arguments) ||
        dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_VARIANT)
        return false;
    dbus_message_iter_recurse(&arguments, &variant);
    if (dbus_message_iter_get_arg_type(&variant) != type)
        return false;
    dbus_message_iter_get_basic(&variant, value);
    return true;
}

// Lowers RLIMIT_RTTIME, soft and hard, to at most `max_usec`. Exceeding it
// sends the process SIGXCPU and then SIGKILL, which a render thread that
// waits for its sound server every few milliseconds never comes near.
bool limit_realtime_cpu_time(dbus_int64_t max_usec)
{
    rlimit limit{};
    if (max_usec <= 0 || getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return false;
    limit.rlim_max = std::min(limit.rlim_max, static_cast<rlim_t>(max_usec));
    limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

}  // namespace

bool request_realtime_from_rtkit(pid_t thread, int priority, std::chrono::milliseconds budget)
{
    const deadline by(budget);
    const connection_ptr connection = connect_to_system_bus(by);
    if (!connection)
        return false;
    dbus_int32_t max_priority = 0;
    dbus_int64_t max_rttime_usec = 0;
    if (!get_property(connection.get(), "MaxRealtimePriority", DBUS_TYPE_INT32, &max_priority, by) ||
        !get_property(connection.get(), "RTTimeUSecMax", DBUS_TYPE_INT64, &max_rttime_usec, by) ||
        max_priority < 1 || !limit_realtime_cpu_time(max_rttime_usec))
        return false;
    const message_ptr request(
        dbus_message_new_method_call(rtkit_service, rtkit_path, rtkit_interface, "MakeThreadRealtime"));
    const dbus_uint64_t thread_id = static_cast<dbus_uint64_t>(thread);
    const dbus_uint32_t asked_priority = static_cast<dbus_uint32_t>(std::min(priority, max_priority));
    if (!request || !dbus_message_append_args(request.get(), DBUS_TYPE_UINT64, &thread_id, DBUS_TYPE_UINT32,
                                              &asked_priority, DBUS_TYPE_INVALID))
        return false;
    return call(connection.get(), request.get(), by) != nullptr;
}

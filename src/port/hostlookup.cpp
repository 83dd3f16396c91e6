#include "port/hostlookup.h"

#include <QHostInfo>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace k4 {

// Shared by the asker and the lookup's thread: whichever lets go last frees it.
struct HostLookup::Lookup {
    QString host;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<QHostAddress> addresses;
};

namespace {

std::vector<QHostAddress> SystemResolve(const QString& host) {
    const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
    return {found.begin(), found.end()};
}

}  // namespace

HostLookup::HostLookup(Resolve resolve)
    : resolve_(resolve ? std::move(resolve) : Resolve(SystemResolve)) {}

HostLookup::~HostLookup() = default;

HostLookup::Outcome HostLookup::wait(const QString& host, std::chrono::milliseconds patience,
                                     QHostAddress& found) {
    if (!inFlight_ || inFlight_->host != host) {
        auto lookup = std::make_shared<Lookup>();
        lookup->host = host;
        std::thread([lookup, resolve = resolve_] {
            std::vector<QHostAddress> addresses = resolve(lookup->host);
            std::lock_guard lock(lookup->mutex);
            lookup->addresses = std::move(addresses);
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
        inFlight_ = std::move(lookup);
    }
    std::unique_lock lock(inFlight_->mutex);
    if (!inFlight_->done.wait_for(lock, patience, [this] { return inFlight_->finished; })) {
        return Outcome::StillLooking;
    }
    const std::vector<QHostAddress> addresses = std::move(inFlight_->addresses);
    lock.unlock();
    // A finished answer is used once: the next open asks again, as names may move.
    inFlight_.reset();
    if (addresses.empty()) {
        return Outcome::NotFound;
    }
    found = addresses.front();
    return Outcome::Found;
}

}  // namespace k4

// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/hostlookup.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace k4 {

// Shared by the askers and the lookup's thread: whichever lets go last frees it.
struct HostLookup::Lookup {
    QString host;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<QHostAddress> addresses;
};

// The lookups in flight on one resolver, by host name.
struct HostLookup::Board {
    std::mutex mutex;
    std::map<QString, std::shared_ptr<Lookup>> inFlight;
};

namespace {

// Straight to the system: Qt's own lookup keeps a cache that goes with the application object,
// and a lookup still pending at exit must not reach it.
std::vector<QHostAddress> SystemResolve(const QString& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &list) != 0) {
        return {};
    }
    std::vector<QHostAddress> found;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        const QHostAddress address(entry->ai_addr);
        if (!address.isNull() && std::find(found.begin(), found.end(), address) == found.end()) {
            found.push_back(address);
        }
    }
    freeaddrinfo(list);
    return found;
}

std::shared_ptr<HostLookup::Board> SystemBoard() {
    // Never destroyed: a lookup may be asked for while the program ends.
    static auto* const board =
        new std::shared_ptr<HostLookup::Board>(std::make_shared<HostLookup::Board>());
    return *board;
}

}  // namespace

HostLookup::HostLookup(Resolve resolve)
    : resolve_(resolve ? std::move(resolve) : Resolve(SystemResolve)),
      board_(resolve ? std::make_shared<Board>() : SystemBoard()) {}

HostLookup::~HostLookup() = default;

HostLookup::Outcome HostLookup::wait(const QString& host, std::chrono::milliseconds patience,
                                     std::vector<QHostAddress>& found) {
    std::shared_ptr<Lookup> lookup;
    {
        std::lock_guard lock(board_->mutex);
        std::shared_ptr<Lookup>& entry = board_->inFlight[host];
        if (!entry) {
            entry = std::make_shared<Lookup>();
            entry->host = host;
            std::thread([lookup = entry, resolve = resolve_] {
                std::vector<QHostAddress> addresses = resolve(lookup->host);
                std::lock_guard lookupLock(lookup->mutex);
                lookup->addresses = std::move(addresses);
                lookup->finished = true;
                lookup->done.notify_all();
            }).detach();
        }
        lookup = entry;
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, patience, [&] { return lookup->finished; })) {
        return Outcome::StillLooking;
    }
    std::vector<QHostAddress> addresses = lookup->addresses;
    lock.unlock();
    {
        // A finished answer is used once: the next open asks again, as names may move.
        std::lock_guard boardLock(board_->mutex);
        const auto it = board_->inFlight.find(host);
        if (it != board_->inFlight.end() && it->second == lookup) {
            board_->inFlight.erase(it);
        }
    }
    if (addresses.empty()) {
        return Outcome::NotFound;
    }
    found = std::move(addresses);
    return Outcome::Found;
}

}  // namespace k4

#pragma once

#include "Store.h"

#include <memory>

namespace tavolin {

// The object through which a class owns its Store: one field, `db`, empty until open() and after close().
// Closing happens at the latest when the holder is destroyed. Movable, not copyable. Same thread rules as
// Store, except that open() and close() must not race other uses of `db` (they replace the pointer).
struct StoreHolder
{
    StoreHolder() = default;
    explicit StoreHolder(const QString &name, Store::Sharing sharing = Store::Sharing::Exclusive,
                         std::chrono::milliseconds lockWait = Store::kDefaultLockWait)
    {
        open(name, sharing, lockWait);
    }
    ~StoreHolder() { close(); }
    StoreHolder(StoreHolder &&) noexcept = default;
    StoreHolder &operator=(StoreHolder &&other) noexcept
    {
        if (this != &other) {
            close();
            db = std::move(other.db);
        }
        return *this;
    }

    // Closes any previous store, then creates a fresh one on `name` (a store is never re-opened in place).
    void open(const QString &name, Store::Sharing sharing = Store::Sharing::Exclusive,
              std::chrono::milliseconds lockWait = Store::kDefaultLockWait)
    {
        close();
        db = std::make_unique<Store>(name, sharing, lockWait);
    }

    // Closes the database and drops the store. Idempotent.
    void close()
    {
        if (db)
            db->close();
        db.reset();
    }

    std::unique_ptr<Store> db;
};

} // namespace tavolin

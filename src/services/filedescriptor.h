/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>

#include <cerrno>

#include <unistd.h>

// An open file descriptor, closed when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const
    {
        return m_fd;
    }
    bool isValid() const
    {
        return m_fd >= 0;
    }
    void reset(int fd)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and reports whether the close succeeded (it may report a
    // late write error).
    bool close()
    {
        const int fd = release();
        return fd >= 0 && ::close(fd) == 0;
    }

    // Writes all of `data` to `fd`, however many calls it takes; false on the
    // first failed write (errno tells why).
    static bool writeAll(int fd, const QByteArray &data)
    {
        const char *next = data.constData();
        qint64 left = data.size();
        while (left > 0) {
            const ssize_t count = ::write(fd, next, size_t(left));
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return false;
            }
            next += count;
            left -= count;
        }
        return true;
    }

private:
    int m_fd;
};

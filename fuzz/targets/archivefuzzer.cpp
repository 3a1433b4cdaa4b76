/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The configuration manager's archives: the gzip layer and the tar members
// of an archive to import.
//
// Input: a first byte that chooses the layer (even: the input is the tar
// data, as if unpacked already; odd: it is the archive file), then the data.
//
// Besides surviving within the limits on sizes, an archive is accepted only
// with members the import may restore: each a file of the set, once, within
// the size limit. An archive built of the accepted members reads back as the
// same members.
#include "configarchive.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"

#include <QSet>

namespace
{
void initialize()
{
    Fuzz::ensureApplication(false);
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const auto members = data[0] % 2 == 0 ? ConfigArchive::readMembers(input) : ConfigArchive::read(input);
    if (!members) {
        FUZZ_CHECK(!members.error().isEmpty());
        return 0;
    }
    FUZZ_CHECK(!members->isEmpty() && members->size() <= ConfigArchive::MaxMembers);
    QSet<QByteArray> paths;
    for (const ConfigArchive::Member &member : *members) {
        FUZZ_CHECK(member.systemPath.startsWith('/'));
        FUZZ_CHECK(ConfigArchive::systemPathOfMember(member.systemPath.mid(1)) == member.systemPath);
        FUZZ_CHECK(member.content.size() <= ConfigArchive::MaxMemberSize);
        FUZZ_CHECK(!paths.contains(member.systemPath));
        paths.insert(member.systemPath);
    }

    const auto archive = ConfigArchive::build(*members);
    FUZZ_CHECK(archive);
    const auto again = ConfigArchive::read(*archive);
    FUZZ_CHECK(again && again->size() == members->size());
    for (int i = 0; i < members->size(); ++i) {
        FUZZ_CHECK(again->at(i).systemPath == members->at(i).systemPath);
        FUZZ_CHECK(again->at(i).content == members->at(i).content);
    }
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(archive, initialize, runOne)

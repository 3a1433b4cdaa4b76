/*
    SPDX-License-Identifier: GPL-2.0-or-later

    C interface of the event catalogue library (libtarnevents.so.0).
*/
#ifndef TARNEVENTS_H
#define TARNEVENTS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Catalogue. tnev_init() loads the catalogue and returns 0, or a negative
   value when it is inconsistent (duplicate event or message identifiers,
   event descriptions that are not JSON objects). Every string handed out
   stays valid until tnev_free(). init/free pairs may repeat. */
int tnev_init(void);
void tnev_free(void);

unsigned int tnev_groups_count(void);
unsigned int tnev_events_count(void);

/* NULL-terminated arrays owned by the caller; release them with
   tnev_free_string_array(). */
char **tnev_get_group_ids(void);
char **tnev_get_event_ids(void);
void tnev_free_string_array(char **array);

/* JSON texts owned by the library; NULL when the identifier is unknown (or,
   for overrides, when the event has no local override). */
const char *tnev_get_group_json(const char *groupId);
const char *tnev_get_event_json(const char *eventId);
const char *tnev_get_override_event_json(const char *eventId);

/* Audit settings: one integer per (audit identifier, audit type, subject).
   For audit type 4 the subject is "". Reading an unknown key gives 0; a
   successful write returns non-zero. */
int tnevas_get_audit_event(const char *auditId, int auditType, const char *subject);
int tnevas_set_audit_event(const char *auditId, int auditType, const char *subject, int value);

#ifdef __cplusplus
}
#endif

#endif

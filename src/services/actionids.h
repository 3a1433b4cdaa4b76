/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

// Identifiers of the privileged helper and of its KAuth actions. An action
// identifier is the helper identifier, a full stop and the name of the
// helper's slot that carries it out.
namespace ActionIds
{
inline constexpr char HelperId[] = "tarnos.kcm.adminevents";

inline constexpr char LoggingServiceCtl[] = "tarnos.kcm.adminevents.loggingservicectl";
inline constexpr char ExportConfig[] = "tarnos.kcm.adminevents.exportconfig";
inline constexpr char ImportConfig[] = "tarnos.kcm.adminevents.importconfig";
inline constexpr char WriteConfig[] = "tarnos.kcm.adminevents.writeconfig";
inline constexpr char RemoveConfig[] = "tarnos.kcm.adminevents.removeconfig";
inline constexpr char RemoveNotificationConfigs[] = "tarnos.kcm.adminevents.removenotificationconfigs";
inline constexpr char WriteNotificationConfigs[] = "tarnos.kcm.adminevents.writenotificationconfigs";
inline constexpr char SetAuditSettings[] = "tarnos.kcm.adminevents.setauditsettings";
inline constexpr char GetAuditSettings[] = "tarnos.kcm.adminevents.getauditsettings";
inline constexpr char RestorePrevious[] = "tarnos.kcm.adminevents.restoreprevious";

// Argument of every action: the languages of the caller, most wanted first,
// in which the helper writes its error descriptions. Upper case like the
// audit settings' own "AUDIT_TYPE", so that it never names an audit setting.
inline constexpr char LanguagesKey[] = "LANGUAGES";

// How long the module waits for the helper's slowest actions: longer than
// the helper's own limits (two systemctl runs of up to 120 s each, the
// configuration manager's 300 s), so that the module never reports a time-out
// while the helper is still at work. D-Bus would give up after 25 s.
inline constexpr int LoggingServiceTimeoutMs = 5 * 60 * 1000;
inline constexpr int ConfigManagerTimeoutMs = 6 * 60 * 1000;
// A write waits for the validators of the new configuration (each limited
// to 60 s by the helper; the audit rules run one by one).
inline constexpr int ValidatedWriteTimeoutMs = 5 * 60 * 1000;

// Optional argument of the actions that write or remove files: the apply
// they belong to. The helper keeps the previous version of every file one
// apply replaces or removes; actions with the same value form one apply, an
// action without it is an apply of its own.
inline constexpr char GenerationArgument[] = "generation";
// Reply data of the actions that install files: the files installed without
// a check of the new configuration, one "<path>: <why>" each (a string list).
inline constexpr char NotValidatedKey[] = "notValidated";
// Reply data of "restoreprevious": the files put back (a string list of
// system paths).
inline constexpr char RestoredKey[] = "restored";

// Start of the error description of an action whose new configuration a
// validator rejected: nothing was installed. The validator's message follows
// on the next line.
inline constexpr char ConfigRejectedError[] = "The new configuration was rejected; nothing was installed";
// Error description of "restoreprevious" when no previous version is kept.
inline constexpr char NothingToRestoreError[] = "No previous configuration is kept";

// Error descriptions of "setauditsettings" that the module tells apart: the
// system already held every value (nothing written), and a write that failed
// (the description then goes on with the settings that were not written).
inline constexpr char AuditUnchangedError[] = "Settings were not changed in system";
inline constexpr char AuditWriteFailedError[] = "Audit settings could not be written";
}

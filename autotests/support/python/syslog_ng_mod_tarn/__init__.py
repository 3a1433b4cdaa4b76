# Stand-in for the distribution's syslog-ng python module in test runs.

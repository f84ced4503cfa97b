#!/etc/passwd

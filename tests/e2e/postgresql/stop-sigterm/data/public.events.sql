-- A data load that takes longer than the end-to-end checker waits before it stops the import.
SELECT pg_sleep(120);

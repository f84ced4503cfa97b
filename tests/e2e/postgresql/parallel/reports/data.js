const json = {
  "general_information": {"source_database": "Oracle", "target_database": "PostgreSQL", "time_import": 0, "import_report": false, "use_import_log_analyzer": false},
  "objects": [
    {"object_name": "public.orders", "object_type": "Table"},
    {"object_name": "public.products", "object_type": "Table"},
    {"object_name": "public.customers", "object_type": "Table"}
  ],
  "error_table": []
}

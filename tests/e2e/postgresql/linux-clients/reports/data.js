const json = {
  "general_information": {"source_database": "Oracle", "target_database": "PostgreSQL", "time_import": 0, "import_report": false, "use_import_log_analyzer": false},
  "objects": [
    {"object_name": "public.customers", "object_type": "Table"},
    {"object_name": "staging.customers", "object_type": "Table"},
    {"object_name": "public.products", "object_type": "Table"},
    {"object_name": "public.orders", "object_type": "Table"},
    {"object_name": "public.v_customers", "object_type": "View"},
    {"object_name": "public.v_orders", "object_type": "View"},
    {"object_name": "public.events", "object_type": "Table"},
    {"object_name": "public.audit_log", "object_type": "Table"},
    {"object_name": "public.settings", "object_type": "Table"},
    {"object_name": "public.order_items", "object_type": "Table"}
  ],
  "error_table": []
}

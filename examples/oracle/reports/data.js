const json = {
  "general_information": {"source_database": "Oracle", "target_database": "Oracle", "time_import": 0},
  "objects": [
    {"object_name": "HR.REGIONS", "object_type": "Table"},
    {"object_name": "HR.JOBS", "object_type": "Table"},
    {"object_name": "HR.EMPLOYEES", "object_type": "Table"},
    {"object_name": "HR.GET_SALARY", "object_type": "Function"},
    {"object_name": "HR.EMP_DETAILS", "object_type": "View"}
  ],
  "error_table": [
    {"error_type": "Conversion", "number_of_occurences": 1, "error_message": "Unsupported data type"}
  ]
}

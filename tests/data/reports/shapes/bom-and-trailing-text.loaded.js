const json = {
 "general_information": {"time_import": 5, "a": 1,
 "import_report": false, "use_import_log_analyzer": false},
 "objects": [], "extra": "café \" \n"} 
	
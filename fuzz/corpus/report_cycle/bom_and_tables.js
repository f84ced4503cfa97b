const json = {"objects":[{"object_name":"T","import_status":"Ok"}],"error_table":[{"error_type":"Import"},{"error_type":"Other"}]} 
